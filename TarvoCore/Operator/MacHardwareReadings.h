#pragma once

#include <optional>
#include <string>

namespace tarvo {

// The raw hardware readings of this computer, as the system gives them (cleaning is
// MacHardware's). Each is nothing when the system cannot tell. Callable from any thread; each
// may block briefly.
class MacHardwareReadings {
public:
    virtual ~MacHardwareReadings() = default;

    // The model identifier, a short code.
    virtual std::optional<std::string> hardwareModel() const = 0;
    // The marketing name.
    virtual std::optional<std::string> productName() const = 0;
    virtual std::optional<bool> internalBattery() const = 0;
};

} // namespace tarvo
