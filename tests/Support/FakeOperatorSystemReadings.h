#pragma once

#include <cstdint>
#include <optional>

#include "TarvoCore/Operator/OperatorSystemReadings.h"

namespace tarvo::testing {

// System readings that answer what the test put in; by default a Mac that is ready.
struct FakeOperatorSystemReadings final : OperatorSystemReadings {
    std::optional<bool> accessibility = true;
    std::optional<bool> screenCapture = true;
    std::optional<bool> postEvent = true;
    std::optional<Json> session = Json{{lockedKey, false}, {onConsoleKey, true}};
    std::optional<Displays> displayList = Displays{1, OperatorCaps::Pixels{3024, 1964}};
    std::optional<int> majorVersion = 15;
    std::optional<bool> asleep = false;
    std::optional<bool> diskAccess = true;
    std::optional<std::int64_t> idle = 4;
    std::optional<bool> onAC = true;

    std::optional<bool> accessibilityTrusted() const override { return accessibility; }
    std::optional<bool> screenCaptureAllowed() const override { return screenCapture; }
    std::optional<bool> postEventAllowed() const override { return postEvent; }
    std::optional<Json> sessionDictionary() const override { return session; }
    std::optional<Displays> displays() const override { return displayList; }
    std::optional<bool> osSupported() const override {
        if (!majorVersion) return std::nullopt;
        return OperatorCaps::supportsMacMajorVersion(*majorVersion);
    }
    std::optional<bool> displaysAsleep() const override { return asleep; }
    std::optional<bool> fullDiskAccess() const override { return diskAccess; }
    std::optional<std::int64_t> idleSeconds() const override { return idle; }
    std::optional<bool> acPower() const override { return onAC; }
};

} // namespace tarvo::testing
