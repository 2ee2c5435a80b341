#include "TarvoDesign/Copy/TarvoCardActions.h"

namespace tarvo {

const std::map<std::string, std::vector<TarvoCardAction>, std::less<>>& TarvoCardActions::byState() {
    using enum TarvoCardAction;
    static const std::map<std::string, std::vector<TarvoCardAction>, std::less<>> table{
        {"generating", {dismiss, snooze, openInApp, muteThread}},
        {"ready", {send, edit, steer, attach, snooze, dismiss, openInApp, muteThread}},
        {"held", {send, edit, steer, attach, snooze, dismiss, openInApp, muteThread}},
        {"snoozed", {dismiss}},
        {"sent", {recall}},
        {"dismissed", {}},
        {"resolved_elsewhere", {}},
        {"expired", {}},
        {"needs_reauth", {dismiss}},
    };
    return table;
}

const std::map<std::string, std::string, std::less<>>& TarvoCardActions::movedLines() {
    static const std::map<std::string, std::string, std::less<>> table{
        {"generating", std::string(generalMovedLine)},
        {"ready", std::string(generalMovedLine)},
        {"held", std::string(generalMovedLine)},
        {"snoozed", std::string(generalMovedLine)},
        {"needs_reauth", std::string(generalMovedLine)},
        {"sent", "This reply has already gone."},
        {"dismissed", "You dismissed this card. What you typed is still here — press send again to reply anyway."},
        {"resolved_elsewhere", "You already answered this conversation somewhere else, so Tarvo put the card away. What you typed is still here — press send again to send it as a new reply."},
        {"expired", "This card expired while it was waiting. What you typed is still here — press send again to reply anyway."},
    };
    return table;
}

std::vector<TarvoCardAction> TarvoCardActions::actions(std::string_view state) {
    const auto found = byState().find(state);
    return found == byState().end() ? std::vector<TarvoCardAction>{} : found->second;
}

std::string TarvoCardActions::movedLine(std::string_view state) {
    const auto found = movedLines().find(state);
    return found == movedLines().end() ? std::string(generalMovedLine) : found->second;
}

} // namespace tarvo
