#include "TarvoCore/Operator/OperatorGap.h"

namespace tarvo {

std::string_view rawValue(OperatorGap gap) {
    switch (gap) {
    case OperatorGap::switchedOff: return "switchedOff";
    case OperatorGap::osTooOld: return "osTooOld";
    case OperatorGap::osUnknown: return "osUnknown";
    case OperatorGap::accessibilityOff: return "accessibilityOff";
    case OperatorGap::accessibilityUnknown: return "accessibilityUnknown";
    case OperatorGap::screenRecordingOff: return "screenRecordingOff";
    case OperatorGap::screenRecordingUnknown: return "screenRecordingUnknown";
    case OperatorGap::cannotPostEvents: return "cannotPostEvents";
    case OperatorGap::postEventsUnknown: return "postEventsUnknown";
    case OperatorGap::screenLocked: return "screenLocked";
    case OperatorGap::lockUnknown: return "lockUnknown";
    case OperatorGap::notAtScreen: return "notAtScreen";
    case OperatorGap::consoleUnknown: return "consoleUnknown";
    case OperatorGap::noDisplay: return "noDisplay";
    case OperatorGap::displaysUnknown: return "displaysUnknown";
    }
    return {};
}

std::string_view sentence(OperatorGap gap) {
    switch (gap) {
    case OperatorGap::switchedOff:
        return "It is switched off. Turn on \u201CAllow Tarvo to operate this Mac\u201D in the Tarvo menu.";
    case OperatorGap::osTooOld: return "This Mac needs macOS 14 or later.";
    case OperatorGap::osUnknown: return "Tarvo cannot tell which macOS this is.";
    case OperatorGap::accessibilityOff: return "Accessibility is off for Tarvo.";
    case OperatorGap::accessibilityUnknown: return "Tarvo cannot tell whether Accessibility is on.";
    case OperatorGap::screenRecordingOff: return "Screen Recording is off for Tarvo.";
    case OperatorGap::screenRecordingUnknown: return "Tarvo cannot tell whether Screen Recording is on.";
    case OperatorGap::cannotPostEvents: return "Tarvo needs a restart to finish setting up. Restart Tarvo.";
    case OperatorGap::postEventsUnknown: return "Tarvo cannot tell whether it has finished setting up.";
    case OperatorGap::screenLocked: return "The screen is locked.";
    case OperatorGap::lockUnknown: return "Tarvo cannot tell whether the screen is locked.";
    case OperatorGap::notAtScreen: return "Someone else is using this Mac's screen.";
    case OperatorGap::consoleUnknown: return "Tarvo cannot tell who is using this Mac's screen.";
    case OperatorGap::noDisplay: return "No screen is connected to this Mac.";
    case OperatorGap::displaysUnknown: return "Tarvo cannot tell whether a screen is connected.";
    }
    return {};
}

} // namespace tarvo
