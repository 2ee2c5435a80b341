#pragma once

#include <optional>
#include <string_view>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/OperatorCaps.h"

namespace tarvo {

// The system readings a capability reading is made of. Each may block briefly and is called
// from whichever worker takes the reading. A reading the system cannot give is nothing.
class OperatorSystemReadings {
public:
    // The active displays and the current pixel size of the main one, when it has a mode.
    struct Displays {
        int count = 0;
        std::optional<OperatorCaps::Pixels> mainPixels;
    };

    // The two keys read from the session dictionary.
    static constexpr std::string_view lockedKey = "CGSSessionScreenIsLocked";
    static constexpr std::string_view onConsoleKey = "kCGSSessionOnConsoleKey";

    virtual ~OperatorSystemReadings() = default;

    virtual std::optional<bool> accessibilityTrusted() const = 0;
    virtual std::optional<bool> screenCaptureAllowed() const = 0;
    virtual std::optional<bool> postEventAllowed() const = 0;
    // The login session's state as a JSON object; nothing when there is no session to read.
    virtual std::optional<Json> sessionDictionary() const = 0;
    virtual std::optional<Displays> displays() const = 0;
    // Whether this is an operating system the operator is written for; a Mac answers by its major
    // version (`OperatorCaps::supportsMacMajorVersion`).
    virtual std::optional<bool> osSupported() const = 0;
    virtual std::optional<bool> displaysAsleep() const = 0;
    virtual std::optional<bool> fullDiskAccess() const = 0;
    // Whole seconds since the last keyboard or mouse input.
    virtual std::optional<std::int64_t> idleSeconds() const = 0;
    virtual std::optional<bool> acPower() const = 0;
};

} // namespace tarvo
