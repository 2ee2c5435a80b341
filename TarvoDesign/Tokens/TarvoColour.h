#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace tarvo {

// One colour of the design: red, green, blue and alpha, each meant to lie in 0 to 1.
struct TarvoColour {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    // "#RRGGBB": each of red, green and blue times 255, rounded half away from zero. Alpha is
    // left out, and nothing is clamped.
    std::string hex() const;

    bool operator==(const TarvoColour&) const = default;
};

} // namespace tarvo

template <>
struct std::hash<tarvo::TarvoColour> {
    std::size_t operator()(const tarvo::TarvoColour& colour) const noexcept;
};
