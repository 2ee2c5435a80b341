#pragma once

#include <string>

namespace tarvo {

// A release an update check found.
struct AppcastItem {
    // The version as the user reads it ("0.2.0").
    std::string displayVersionString;
    // The build number it is compared by ("120").
    std::string versionString;

    bool operator==(const AppcastItem&) const = default;
};

} // namespace tarvo
