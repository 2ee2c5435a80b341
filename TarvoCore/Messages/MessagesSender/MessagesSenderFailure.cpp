#include "TarvoCore/Messages/MessagesSender/MessagesSenderFailure.h"

#include <utility>

namespace tarvo {
namespace {

std::string describing(MessagesSenderFailure::Kind kind, const std::string& text) {
    switch (kind) {
    case MessagesSenderFailure::Kind::messagesRefused:
        return "Messages could not send that: " + text;
    case MessagesSenderFailure::Kind::automationDenied:
        return "macOS has not allowed Tarvo to control Messages. Turn Tarvo on in System Settings → Privacy & "
               "Security → Automation → Messages.";
    case MessagesSenderFailure::Kind::messagesTimedOut:
        return "Messages did not answer, so Tarvo stopped waiting. Check the conversation in Messages before "
               "sending it again.";
    }
    return {};
}

} // namespace

MessagesSenderFailure::MessagesSenderFailure(Kind kind, std::string text)
    : kind_(kind), text_(std::move(text)), description_(describing(kind_, text_)) {}

MessagesSenderFailure MessagesSenderFailure::messagesRefused(std::string text) {
    return {Kind::messagesRefused, std::move(text)};
}

MessagesSenderFailure MessagesSenderFailure::automationDenied() { return {Kind::automationDenied, {}}; }

MessagesSenderFailure MessagesSenderFailure::messagesTimedOut() { return {Kind::messagesTimedOut, {}}; }

} // namespace tarvo
