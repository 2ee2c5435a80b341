#pragma once

namespace tarvo {

// A point in global screen coordinates, in points; y grows upwards.
struct Point {
    double x = 0;
    double y = 0;

    bool operator==(const Point&) const = default;
};

} // namespace tarvo
