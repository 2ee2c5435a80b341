#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "TarvoCore/Operator/MacHardwareReadings.h"
#include "TarvoCore/Operator/MacKind.h"

namespace tarvo {

// The hardware reading of this Mac.
struct MacHardware {
    static constexpr std::size_t maximumCharacters = 120;

    std::optional<std::string> hardwareModel;
    std::optional<std::string> modelName;
    std::optional<MacKind> kind;
    std::optional<bool> internalBattery;

    // By the kind when it is known, else by whether a battery is present (which may be unknown).
    std::optional<bool> isLaptop() const;

    static MacHardware read(const MacHardwareReadings& from);

    bool operator==(const MacHardware&) const = default;
};

} // namespace tarvo
