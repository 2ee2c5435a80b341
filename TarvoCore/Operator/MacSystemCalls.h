#pragma once

#include <optional>

#include "TarvoCore/Operator/MacHardwareReadings.h"

namespace tarvo {

// The system probes the operator core reads: the hardware readings and the power source. Each
// is nothing when the system cannot tell; unknown is never turned into false.
class MacSystemCalls : public MacHardwareReadings {
public:
    // True while external power runs the computer, false while its battery does.
    virtual std::optional<bool> onACPower() const = 0;
};

} // namespace tarvo
