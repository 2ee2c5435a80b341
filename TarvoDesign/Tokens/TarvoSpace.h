#pragma once

namespace tarvo {

// The spacing steps, in points.
struct TarvoSpace {
    static constexpr double xs = 4;
    static constexpr double sm = 8;
    static constexpr double md = 12;
    static constexpr double base = 16;
    static constexpr double lg = 24;
    static constexpr double xl = 32;
    static constexpr double xxl = 48;
    static constexpr double xxxl = 64;
    static constexpr double section = 96;
};

} // namespace tarvo
