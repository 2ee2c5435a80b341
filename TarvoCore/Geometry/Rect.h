#pragma once

#include "TarvoCore/Geometry/Point.h"
#include "TarvoCore/Geometry/Size.h"

namespace tarvo {

// A rectangle in global screen coordinates: its lower-left corner and its size.
struct Rect {
    Point origin;
    Size size;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }

    // Whether the two share some area: rectangles that only touch along an edge do not, and an
    // empty rectangle intersects nothing.
    bool intersects(const Rect& other) const {
        return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() && other.minY() < maxY() &&
               size.width > 0 && size.height > 0 && other.size.width > 0 && other.size.height > 0;
    }

    bool operator==(const Rect&) const = default;
};

} // namespace tarvo
