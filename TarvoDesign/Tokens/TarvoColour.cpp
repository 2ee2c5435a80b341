#include "TarvoDesign/Tokens/TarvoColour.h"

#include <cmath>

#include <fmt/format.h>

namespace tarvo {

std::string TarvoColour::hex() const {
    const auto digits = [](double component) { return static_cast<long long>(std::round(component * 255)); };
    return fmt::format("#{:02X}{:02X}{:02X}", digits(red), digits(green), digits(blue));
}

} // namespace tarvo

std::size_t std::hash<tarvo::TarvoColour>::operator()(const tarvo::TarvoColour& colour) const noexcept {
    std::size_t seed = 0;
    for (const double component : {colour.red, colour.green, colour.blue, colour.alpha}) {
        seed ^= std::hash<double>{}(component) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
    }
    return seed;
}
