#include "TarvoDesign/Copy/TarvoCardAction.h"

namespace tarvo {

std::string_view rawValue(TarvoCardAction action) {
    switch (action) {
    case TarvoCardAction::send: return "send";
    case TarvoCardAction::edit: return "edit";
    case TarvoCardAction::steer: return "steer";
    case TarvoCardAction::attach: return "attach";
    case TarvoCardAction::snooze: return "snooze";
    case TarvoCardAction::dismiss: return "dismiss";
    case TarvoCardAction::openInApp: return "open_in_app";
    case TarvoCardAction::muteThread: return "mute_thread";
    case TarvoCardAction::recall: return "recall";
    case TarvoCardAction::resumeDrafting: return "resume_drafting";
    }
    return {};
}

std::optional<TarvoCardAction> tarvoCardAction(std::string_view raw) {
    for (const TarvoCardAction action : tarvoCardActionCases) {
        if (rawValue(action) == raw) return action;
    }
    return std::nullopt;
}

} // namespace tarvo
