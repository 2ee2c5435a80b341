#pragma once

#include <array>
#include <string_view>

namespace tarvo {

// What stands between one capability class and the Mac besides the readiness gaps: a sleeping
// display, or files out of reach.
enum class MacPresenceGap { displayAsleep, fullDiskAccessOff, fullDiskAccessUnknown };

inline constexpr std::array<MacPresenceGap, 3> allMacPresenceGaps{
    MacPresenceGap::displayAsleep,
    MacPresenceGap::fullDiskAccessOff,
    MacPresenceGap::fullDiskAccessUnknown,
};

// The gap's code, equal to its case name.
std::string_view rawValue(MacPresenceGap gap);
// What the user is told.
std::string_view sentence(MacPresenceGap gap);

} // namespace tarvo
