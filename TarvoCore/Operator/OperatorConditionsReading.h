#pragma once

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/OperatorSession.h"

namespace tarvo {

// The computer's readiness, read fresh for every admission of a step.
class OperatorConditionsReading {
public:
    virtual ~OperatorConditionsReading() = default;

    // Never fails: what cannot be read counts as not granted (`Conditions::from`).
    virtual Task<OperatorSession::Conditions> current() = 0;
};

} // namespace tarvo
