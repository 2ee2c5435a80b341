#pragma once

#include <optional>
#include <utility>

#include "TarvoCompanion/Operator/OperatorPermissions.h"

namespace tarvo {

// Operator permissions with nothing to read, for tests and for a computer without the operator's
// platform side: there is no capability reading until `read` gives one, and sleep and wake happen
// when `sleep()` and `wake()` say so.
class SimulatedOperatorPermissions final : public OperatorPermissions {
public:
    explicit SimulatedOperatorPermissions(MacHardware hardware = {}) : hardware_(std::move(hardware)) {}

    void startReading() override { reading_ = true; }
    bool isReading() const { return reading_; }

    std::optional<Json> currentWire() const override { return current_; }
    const MacHardware& hardware() const override { return hardware_; }

    // What `currentWire` answers from now on.
    void read(std::optional<Json> wire) { current_ = std::move(wire); }

    void sleep() const;
    void wake() const;

private:
    MacHardware hardware_;
    std::optional<Json> current_;
    bool reading_ = false;
};

} // namespace tarvo
