#pragma once

#include <array>
#include <string_view>

namespace tarvo {

// One reason why this Mac cannot be operated now. A known "off" and an "it cannot tell" are
// different gaps, because the user fixes them differently.
enum class OperatorGap {
    switchedOff,
    osTooOld,
    osUnknown,
    accessibilityOff,
    accessibilityUnknown,
    screenRecordingOff,
    screenRecordingUnknown,
    cannotPostEvents,
    postEventsUnknown,
    screenLocked,
    lockUnknown,
    notAtScreen,
    consoleUnknown,
    noDisplay,
    displaysUnknown,
};

inline constexpr std::array<OperatorGap, 15> allOperatorGaps{
    OperatorGap::switchedOff,         OperatorGap::osTooOld,           OperatorGap::osUnknown,
    OperatorGap::accessibilityOff,    OperatorGap::accessibilityUnknown, OperatorGap::screenRecordingOff,
    OperatorGap::screenRecordingUnknown, OperatorGap::cannotPostEvents, OperatorGap::postEventsUnknown,
    OperatorGap::screenLocked,        OperatorGap::lockUnknown,        OperatorGap::notAtScreen,
    OperatorGap::consoleUnknown,      OperatorGap::noDisplay,          OperatorGap::displaysUnknown,
};

// The gap's code, equal to its case name.
std::string_view rawValue(OperatorGap gap);
// What the user is told.
std::string_view sentence(OperatorGap gap);

} // namespace tarvo
