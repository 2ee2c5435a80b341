#pragma once

#include <vector>

#include "TarvoCompanion/Ports/Screens.h"

namespace tarvo {

// The screens of the headless browser that hosts the program's pages: there are none, so no
// window of its can ever be on one.
class HeadlessScreens final : public Screens {
public:
    std::vector<Rect> frames() const override { return {}; }
};

} // namespace tarvo
