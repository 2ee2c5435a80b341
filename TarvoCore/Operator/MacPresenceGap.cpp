#include "TarvoCore/Operator/MacPresenceGap.h"

namespace tarvo {

std::string_view rawValue(MacPresenceGap gap) {
    switch (gap) {
    case MacPresenceGap::displayAsleep: return "displayAsleep";
    case MacPresenceGap::fullDiskAccessOff: return "fullDiskAccessOff";
    case MacPresenceGap::fullDiskAccessUnknown: return "fullDiskAccessUnknown";
    }
    return {};
}

std::string_view sentence(MacPresenceGap gap) {
    switch (gap) {
    case MacPresenceGap::displayAsleep: return "The display is asleep.";
    case MacPresenceGap::fullDiskAccessOff: return "Full Disk Access is off for Tarvo.";
    case MacPresenceGap::fullDiskAccessUnknown: return "Tarvo cannot tell whether Full Disk Access is on.";
    }
    return {};
}

} // namespace tarvo
