#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace tarvo {

// The display connectors the kernel shows in sysfs's DRM class.
class DrmConnectors {
public:
    struct Connector {
        // The card feeds a display through it.
        bool active = false;
        // Its display is powered on.
        bool on = false;
    };

    // Nothing when sysfs has no DRM class or a connector cannot be read.
    static std::optional<std::vector<Connector>> read(const std::filesystem::path& sysfsRoot);
    // Whether no active connector's display is on; nothing without an active connector.
    static std::optional<bool> everyDisplayOff(const std::vector<Connector>& connectors);
};

} // namespace tarvo
