#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/X11DesktopReadings.h"
#include "TarvoBase/Clock.h"
#include "TarvoCore/Operator/MacSystemCalls.h"
#include "TarvoCore/Operator/OperatorSystemReadings.h"

namespace tarvo {

// The operator's system readings as Linux gives them: the session's lock, console and idle
// state from logind, the displays from the kernel's DRM connectors in sysfs, and Accessibility
// from whether the AT-SPI bus can be reached. On a desktop whose X server is given, the server
// tells the displays, their sleep where it manages their power (DPMS), whether the screen can be
// read and input made, and the idle time logind does not know. The operating system is always one
// the operator supports: this side is written for Linux, which has no version to fall short of.
// Linux has no answer to Full Disk Access, nor without a desktop to the screen-capture and
// event-posting permissions: those stay unknown.
class LinuxOperatorReadings final : public OperatorSystemReadings {
public:
    struct Programs {
        std::string loginctl = "/usr/bin/loginctl";
        std::string dbusSend = "/usr/bin/dbus-send";
    };

    // A program that has not answered by then is stopped and its reading is unknown.
    static constexpr std::chrono::seconds programTimeout{5};

    // The power source is the system calls' probe. The sysfs root and the programs are given so
    // that tests can stand in for them. `desktop` is a connection to the X server for these
    // readings alone, nothing without a display.
    LinuxOperatorReadings(std::shared_ptr<const Clock> clock, std::shared_ptr<const MacSystemCalls> systemCalls,
                          std::filesystem::path sysfsRoot, Programs programs,
                          std::shared_ptr<X11Display> desktop = nullptr);
    LinuxOperatorReadings(std::shared_ptr<const Clock> clock, std::shared_ptr<const MacSystemCalls> systemCalls,
                          std::shared_ptr<X11Display> desktop = nullptr);

    std::optional<bool> accessibilityTrusted() const override;
    std::optional<bool> screenCaptureAllowed() const override;
    std::optional<bool> postEventAllowed() const override;
    std::optional<Json> sessionDictionary() const override;
    std::optional<Displays> displays() const override;
    std::optional<bool> osSupported() const override { return true; }
    std::optional<bool> displaysAsleep() const override;
    std::optional<bool> fullDiskAccess() const override { return std::nullopt; }
    std::optional<std::int64_t> idleSeconds() const override;
    std::optional<bool> acPower() const override { return systemCalls_->onACPower(); }

private:
    // The properties logind shows for the user's session; nothing when logind cannot be asked.
    std::optional<std::map<std::string, std::string>> sessionProperties() const;
    std::optional<std::int64_t> idleSecondsFromLogind() const;

    std::shared_ptr<const Clock> clock_;
    std::shared_ptr<const MacSystemCalls> systemCalls_;
    std::filesystem::path root_;
    Programs programs_;
    std::optional<X11DesktopReadings> desktop_;
};

} // namespace tarvo
