#pragma once

namespace tarvo {

// Durations in seconds, the timing curves and the springs of the product's motion.
struct TarvoMotion {
    static constexpr double instant = 0.09;
    static constexpr double fast = 0.14;
    static constexpr double base = 0.22;
    static constexpr double slow = 0.38;
    static constexpr double brandShort = 0.82;
    static constexpr double brandFull = 4.8;
    static constexpr double generatingLoop = 2.2;
    static constexpr double breath = 2.2;

    // The control points of a cubic Bezier timing curve from (0, 0) to (1, 1).
    struct Curve {
        double x1 = 0;
        double y1 = 0;
        double x2 = 1;
        double y2 = 1;

        bool operator==(const Curve&) const = default;

        static const Curve settle;
        static const Curve leave;
    };

    struct Spring {
        // Seconds.
        double response = 0;
        double dampingFraction = 1;
        // Seconds until it comes to rest.
        double settle = 0;

        bool operator==(const Spring&) const = default;

        static const Spring snappy;
        static const Spring smooth;
        static const Spring keyboard;
    };
};

inline constexpr TarvoMotion::Curve TarvoMotion::Curve::settle{0.22, 0.61, 0.36, 1.0};
inline constexpr TarvoMotion::Curve TarvoMotion::Curve::leave{0.4, 0.0, 1.0, 1.0};

inline constexpr TarvoMotion::Spring TarvoMotion::Spring::snappy{0.28, 0.9, 0.258};
inline constexpr TarvoMotion::Spring TarvoMotion::Spring::smooth{0.42, 1.0, 0.566};
inline constexpr TarvoMotion::Spring TarvoMotion::Spring::keyboard{0.266, 1.0, 0.358};

} // namespace tarvo
