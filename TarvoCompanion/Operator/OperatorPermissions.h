#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/MacHardware.h"
#include "TarvoCore/Operator/MacPermissionMode.h"
#include "TarvoCore/Operator/MacSettingPane.h"

namespace tarvo {

// The operator's readiness on this computer: its capability readings, and the system's sleep and
// wake as the companion hears of them. It lives on the main loop for the life of the program.
class OperatorPermissions {
public:
    virtual ~OperatorPermissions() = default;

    // Starts the repeating capability reading and the observers of screen lock, sleep, wake and
    // session changes.
    virtual void startReading() = 0;

    // The latest capability reading that is recent enough to stand for now, as the object the
    // heartbeat sends; nothing when there is no such reading.
    virtual std::optional<Json> currentWire() const = 0;

    // The hardware of this computer, read once when the object was made.
    virtual const MacHardware& hardware() const = 0;

    // Reads the capabilities again at once and publishes them.
    virtual Task<void> refresh() = 0;

    // Opens the settings pane where the user grants `pane`, and records when in `settingOpenedAt`.
    virtual void openSetting(MacSettingPane pane) = 0;

    // The mode in force on this computer as the service last named it; every answered heartbeat
    // writes it, with nothing when the answer names no mode.
    std::optional<MacPermissionMode> permissionMode;
    // A sentence about the last change of mode, for the menu.
    std::optional<std::string> modeNotice;
    // When a settings pane was last opened through `openSetting`.
    std::optional<std::chrono::system_clock::time_point> settingOpenedAt;

    // Called on the main loop when the computer is about to sleep, after the reading noted it.
    std::function<void()> onWillSleep;
    // Called on the main loop after a wake, once the capabilities were read again and the
    // operator link was woken.
    std::function<void()> onDidWake;
};

} // namespace tarvo
