#pragma once

#include <vector>

#include "TarvoCore/Geometry/Rect.h"

namespace tarvo {

// The computer's screens, as the window server places windows on them.
class Screens {
public:
    virtual ~Screens() = default;

    // The frame of every screen, in the order the system lists them, in global coordinates.
    virtual std::vector<Rect> frames() const = 0;
};

} // namespace tarvo
