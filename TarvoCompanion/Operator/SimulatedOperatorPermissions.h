#pragma once

#include "TarvoCompanion/Operator/OperatorPermissions.h"

namespace tarvo {

// Operator permissions with nothing to read, for tests and for a computer without the operator's
// platform side: sleep and wake happen when `sleep()` and `wake()` say so.
class SimulatedOperatorPermissions final : public OperatorPermissions {
public:
    void startReading() override { reading_ = true; }
    bool isReading() const { return reading_; }

    void sleep() const;
    void wake() const;

private:
    bool reading_ = false;
};

} // namespace tarvo
