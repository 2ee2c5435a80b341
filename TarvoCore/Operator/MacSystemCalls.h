#pragma once

#include <optional>

#include "TarvoCore/Operator/MacHardwareReadings.h"

namespace tarvo {

// The system probes the operator core reads: the hardware readings, the power source and the
// displays' sleep. Each is nothing when the system cannot tell; unknown is never turned into false.
class MacSystemCalls : public MacHardwareReadings {
public:
    // True while external power runs the computer, false while its battery does.
    virtual std::optional<bool> onACPower() const = 0;
    // True while every display is asleep, false while one is awake.
    virtual std::optional<bool> everyDisplayAsleep() const = 0;
    // Tells the system that the user is active here, which wakes a sleeping display; false when
    // there was nothing to tell it through.
    virtual bool declareActivity() const = 0;
};

} // namespace tarvo
