#pragma once

#include "TarvoBase/Task.h"

namespace tarvo {

// The "Tarvo is operating this Mac" bar: a step is admitted only while it is on screen.
class OperatorIndicator {
public:
    virtual ~OperatorIndicator() = default;

    // Never fails; without a screen to show it on, false.
    virtual Task<bool> isShown() = 0;
};

} // namespace tarvo
