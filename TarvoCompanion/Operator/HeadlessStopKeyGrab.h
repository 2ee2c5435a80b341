#pragma once

#include "TarvoCompanion/Operator/StopKeyGrab.h"

namespace tarvo {

// The stop key of a computer without a keyboard the companion can listen to: nothing is held.
class HeadlessStopKeyGrab final : public StopKeyGrab {
public:
    void grab(std::function<void()>) override {}
    void release() override {}
};

} // namespace tarvo
