#pragma once

#include <string_view>

namespace tarvo {

// One step of the type scale.
struct TarvoTypeStep {
    double size = 0;
    // The size on small screens.
    double mobile = 0;
    // A multiple of the size.
    double lineHeight = 0;
    // A numeric font weight, 400 regular to 600 semibold.
    int weight = 400;
    // "display" or "body".
    std::string_view family;
    bool italic = false;

    bool operator==(const TarvoTypeStep&) const = default;
};

} // namespace tarvo
