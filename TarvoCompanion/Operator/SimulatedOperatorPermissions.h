#pragma once

#include <utility>

#include "TarvoCompanion/Operator/OperatorPermissions.h"

namespace tarvo {

// Operator permissions with nothing to read, for tests and for a computer without the operator's
// platform side: sleep and wake happen when `sleep()` and `wake()` say so.
class SimulatedOperatorPermissions final : public OperatorPermissions {
public:
    explicit SimulatedOperatorPermissions(MacHardware hardware = {}) : hardware_(std::move(hardware)) {}

    void startReading() override { reading_ = true; }
    bool isReading() const { return reading_; }
    const MacHardware& hardware() const override { return hardware_; }

    void sleep() const;
    void wake() const;

private:
    MacHardware hardware_;
    bool reading_ = false;
};

} // namespace tarvo
