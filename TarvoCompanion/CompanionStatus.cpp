#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/TarvoDate.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {
namespace {

std::string listed(const std::vector<std::string>& items) {
    if (items.empty()) return "none";
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string dateOrNever(const std::optional<CompanionState::Date>& date) {
    return date ? TarvoDate::format(*date) : "never";
}

} // namespace

std::string Companion::status() const {
    std::string text;
    const auto line = [&text](const std::string& item) { text += item + "\n"; };
    if (state_.signIn.isSignedIn() && settings_.credentials) {
        line("signed in: yes, device " + settings_.credentials->deviceId + ", service " + settings_.apiURL);
    } else {
        line("signed in: no, service " + settings_.apiURL + " — " + signInNextStep().value_or("not signed in"));
    }
    if (state_.canReadMessages) {
        line("messages: readable at " + database_.path());
    } else {
        line("messages: not readable — " + messagesCause_.value_or(database_.path() + ": not looked at yet"));
    }
    if (state_.chatDbBlockedReason) line("messages capture: " + *state_.chatDbBlockedReason);
    line("capture cursor: " + TarvoDate::format(cursor_.lastMessageDate));
    line("last heartbeat: " + dateOrNever(state_.lastHeartbeatAt));
    line("last capture: " + dateOrNever(state_.lastCaptureAt));
    line("channels advertised: " + listed(state_.enabledChannels));
    line("reports waiting in the outbox: " + std::to_string(relayOutbox_.entries().size()));
    line("simulated here: " + listed(simulated_));
    return text;
}

} // namespace tarvo
