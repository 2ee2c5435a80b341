#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/Operator/MacSystemCalls.h"

namespace tarvo {

// The system probes read from sysfs: the model from the firmware's DMI table (product name as
// the identifier, product version as the marketing name) or, on boards without one, the device
// tree's model (what /proc/device-tree/model shows); the power source from the power-supply
// class. The displays' sleep is the X server's DPMS level where the server has it, else the DRM
// connectors'; activity is declared to the X server. The sysfs root and the X display are given
// so that tests can stand in for them.
class LinuxSystemCalls final : public MacSystemCalls {
public:
    explicit LinuxSystemCalls(std::filesystem::path sysfsRoot = "/sys", std::string display = displayOfSession());

    // What $DISPLAY names; empty without it.
    static std::string displayOfSession();

    std::optional<std::string> hardwareModel() const override;
    std::optional<std::string> productName() const override;
    std::optional<bool> internalBattery() const override;
    std::optional<bool> onACPower() const override;
    std::optional<bool> everyDisplayAsleep() const override;
    bool declareActivity() const override;

private:
    struct PowerSupply {
        std::string type;
        bool online = false;
        std::string status;
    };

    std::optional<std::string> firmwareText(const std::filesystem::path& file) const;
    // Nothing when the power-supply class cannot be read; the computer's own supplies only,
    // never the batteries of attached devices.
    std::optional<std::vector<PowerSupply>> powerSupplies() const;

    std::filesystem::path root_;
    std::string display_;
};

} // namespace tarvo
