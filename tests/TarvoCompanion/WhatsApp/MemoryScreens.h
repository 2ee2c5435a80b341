#pragma once

#include <vector>

#include "TarvoCompanion/Ports/Screens.h"

namespace tarvo::testing {

// Screens a test lays out as it likes; none to begin with.
class MemoryScreens final : public Screens {
public:
    std::vector<Rect> frames() const override { return shown; }

    std::vector<Rect> shown;
};

} // namespace tarvo::testing
