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
// class. The sysfs root is given so that tests can build a tree of their own.
class LinuxSystemCalls final : public MacSystemCalls {
public:
    explicit LinuxSystemCalls(std::filesystem::path sysfsRoot = "/sys");

    std::optional<std::string> hardwareModel() const override;
    std::optional<std::string> productName() const override;
    std::optional<bool> internalBattery() const override;
    std::optional<bool> onACPower() const override;

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
};

} // namespace tarvo
