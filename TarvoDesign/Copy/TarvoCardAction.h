#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tarvo {

// What the user can do with a message card.
enum class TarvoCardAction {
    send,
    edit,
    steer,
    attach,
    snooze,
    dismiss,
    openInApp,
    muteThread,
    recall,
    resumeDrafting,
};

// Every action, in declaration order.
inline constexpr std::array<TarvoCardAction, 10> tarvoCardActionCases{
    TarvoCardAction::send,      TarvoCardAction::edit,       TarvoCardAction::steer,  TarvoCardAction::attach,
    TarvoCardAction::snooze,    TarvoCardAction::dismiss,    TarvoCardAction::openInApp,
    TarvoCardAction::muteThread, TarvoCardAction::recall,    TarvoCardAction::resumeDrafting,
};

// The wire value: "open_in_app" for openInApp.
std::string_view rawValue(TarvoCardAction action);
// The action with exactly that wire value.
std::optional<TarvoCardAction> tarvoCardAction(std::string_view rawValue);

} // namespace tarvo
