#pragma once

#include <optional>
#include <string>

#include "TarvoCore/Operator/MacSystemCalls.h"

namespace tarvo::testing {

// System probes that answer what the test put in.
struct FakeSystemCalls final : MacSystemCalls {
    std::optional<std::string> model;
    std::optional<std::string> name;
    std::optional<bool> battery;
    std::optional<bool> acPower;
    std::optional<bool> displaysAsleep;
    bool declares = true;
    mutable int displayReadings = 0;
    mutable int declarations = 0;

    FakeSystemCalls(std::optional<std::string> model = {}, std::optional<std::string> name = {},
                    std::optional<bool> battery = {}, std::optional<bool> acPower = {})
        : model(std::move(model)), name(std::move(name)), battery(battery), acPower(acPower) {}

    std::optional<std::string> hardwareModel() const override { return model; }
    std::optional<std::string> productName() const override { return name; }
    std::optional<bool> internalBattery() const override { return battery; }
    std::optional<bool> onACPower() const override { return acPower; }
    std::optional<bool> everyDisplayAsleep() const override {
        ++displayReadings;
        return displaysAsleep;
    }
    bool declareActivity() const override {
        ++declarations;
        return declares;
    }
};

} // namespace tarvo::testing
