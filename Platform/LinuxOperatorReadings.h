#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Clock.h"
#include "TarvoCore/Operator/MacSystemCalls.h"
#include "TarvoCore/Operator/OperatorSystemReadings.h"

namespace tarvo {

// The operator's system readings as Linux gives them: the session's lock, console and idle
// state from logind, the displays from the kernel's DRM connectors in sysfs, and Accessibility
// from whether the AT-SPI bus can be reached. Linux has no answer to the screen-capture,
// event-posting and Full Disk Access permissions or to a macOS version: those stay unknown.
class LinuxOperatorReadings final : public OperatorSystemReadings {
public:
    struct Programs {
        std::string loginctl = "/usr/bin/loginctl";
        std::string dbusSend = "/usr/bin/dbus-send";
    };

    // A program that has not answered by then is stopped and its reading is unknown.
    static constexpr std::chrono::seconds programTimeout{5};

    // The power source is the system calls' probe. The sysfs root and the programs are given so
    // that tests can stand in for them.
    LinuxOperatorReadings(std::shared_ptr<const Clock> clock, std::shared_ptr<const MacSystemCalls> systemCalls,
                          std::filesystem::path sysfsRoot, Programs programs);
    LinuxOperatorReadings(std::shared_ptr<const Clock> clock, std::shared_ptr<const MacSystemCalls> systemCalls);

    std::optional<bool> accessibilityTrusted() const override;
    std::optional<bool> screenCaptureAllowed() const override { return std::nullopt; }
    std::optional<bool> postEventAllowed() const override { return std::nullopt; }
    std::optional<Json> sessionDictionary() const override;
    std::optional<Displays> displays() const override;
    std::optional<int> osMajorVersion() const override { return std::nullopt; }
    std::optional<bool> displaysAsleep() const override;
    std::optional<bool> fullDiskAccess() const override { return std::nullopt; }
    std::optional<std::int64_t> idleSeconds() const override;
    std::optional<bool> acPower() const override { return systemCalls_->onACPower(); }

private:
    // The properties logind shows for the user's session; nothing when logind cannot be asked.
    std::optional<std::map<std::string, std::string>> sessionProperties() const;

    std::shared_ptr<const Clock> clock_;
    std::shared_ptr<const MacSystemCalls> systemCalls_;
    std::filesystem::path root_;
    Programs programs_;
};

} // namespace tarvo
