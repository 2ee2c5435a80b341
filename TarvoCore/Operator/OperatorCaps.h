#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/MacCapabilityClass.h"
#include "TarvoCore/Operator/MacClassGap.h"
#include "TarvoCore/Operator/OperatorGap.h"

namespace tarvo {

class OperatorSystemReadings;

// What this Mac can be operated for at one moment. An absent field is unknown, never false:
// the two are kept apart up to the wire, where an unknown field is left out.
struct OperatorCaps {
    struct Pixels {
        int width = 0;
        int height = 0;
        bool operator==(const Pixels&) const = default;
    };

    static constexpr int minimumMajorVersion = 14;
    static constexpr bool supportsMacMajorVersion(int major) { return major >= minimumMajorVersion; }

    bool enabled = false;
    std::optional<bool> accessibility{};
    std::optional<bool> screenRecording{};
    std::optional<bool> postEvent{};
    std::optional<bool> sessionLocked{};
    std::optional<bool> onConsole{};
    std::optional<bool> osSupported{};
    std::optional<int> displayCount{};
    std::optional<Pixels> mainDisplayPixels{};
    // Every online display is asleep.
    std::optional<bool> displayAsleep{};
    std::optional<bool> fullDiskAccess{};
    std::optional<std::int64_t> idleSeconds{};
    std::optional<bool> acPower{};
    // The platform side fills these four from its own state.
    std::optional<bool> keepAwake{};
    std::optional<std::vector<std::string>> stepKinds{};
    std::optional<bool> willSleep{};
    std::optional<bool> screenRecordingNeedsClick{};
    // Files may be reached through the user's consent per folder instead of Full Disk Access.
    std::optional<bool> folderConsent{};
    std::optional<bool> filesInFolder{};

    // One reading of the system. The readings run in a fixed order and may block.
    static OperatorCaps read(bool enabled, const OperatorSystemReadings& from);

    // Why the Mac cannot be operated, in the order of `allOperatorGaps`; at most one gap per
    // subject.
    std::vector<OperatorGap> gaps() const;
    bool ready() const { return gaps().empty(); }
    // What stands between the Mac and one capability class. With `filesWhileLocked`, files
    // are reached whether or not the screen is locked or the display asleep.
    std::vector<MacClassGap> gaps(MacCapabilityClass forClass, bool filesWhileLocked) const;

    // The heartbeat's "operator" object.
    Json wire() const;

    bool operator==(const OperatorCaps&) const = default;

private:
    std::optional<OperatorGap> osGap() const;
    std::optional<OperatorGap> accessibilityGap() const;
    std::optional<OperatorGap> screenRecordingGap() const;
    std::optional<OperatorGap> postEventGap() const;
    std::optional<OperatorGap> lockGap() const;
    std::optional<OperatorGap> consoleGap() const;
    std::optional<OperatorGap> displayGap() const;
};

} // namespace tarvo

namespace tarvo::TarvoLog {

// "operator readiness — ready; displays 1", or with the gaps by name when it is not ready.
std::string operatorLine(const OperatorCaps& caps);
void operatorReadinessChanged(const OperatorCaps& caps);

} // namespace tarvo::TarvoLog
