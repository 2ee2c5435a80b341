#pragma once

namespace tarvo {

// The corner radii, in points.
struct TarvoRadius {
    static constexpr double sm = 8;
    static constexpr double md = 12;
    static constexpr double lg = 18;
    static constexpr double xl = 30;
    static constexpr double pill = 999;
};

} // namespace tarvo
