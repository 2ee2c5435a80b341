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
#include "TarvoCore/Operator/OperatorCaps.h"

namespace tarvo {

// The operator's readiness on this computer: its capability readings, the user's operate and
// keep-awake switches, and the system's sleep and wake as the companion hears of them. It lives
// on the main loop for the life of the program.
class OperatorPermissions {
public:
    virtual ~OperatorPermissions() = default;

    // Starts the repeating capability reading and the observers of screen lock, sleep, wake and
    // session changes; a second call starts nothing more.
    virtual void startReading() = 0;

    // The latest capability reading that is recent enough to stand for now, with this
    // computer's own state put in; nothing when there is no such reading.
    virtual std::optional<OperatorCaps> current() const = 0;
    // `current` as the object the heartbeat sends.
    std::optional<Json> currentWire() const {
        const std::optional<OperatorCaps> caps = current();
        if (!caps) return std::nullopt;
        return caps->wire();
    }

    // The last reading published, with the operate switch in it, for the menu and the windows;
    // nothing before the first reading.
    virtual const std::optional<OperatorCaps>& caps() const = 0;

    // The hardware of this computer, read once when the object was made.
    virtual const MacHardware& hardware() const = 0;

    // Reads the capabilities again at once and publishes them.
    virtual Task<void> refresh() = 0;

    // The user's master switch that lets the service operate this computer. Changing it stores
    // it and runs what a change of the switch calls for.
    virtual bool allowed() const = 0;
    virtual void setAllowed(bool on) = 0;
    // "Keep my Mac awake while Tarvo works". Changing it stores it and tells the operator link.
    virtual bool keepAwake() const = 0;
    virtual void setKeepAwake(bool on) = 0;
    // True between the system's notices that it will sleep and that it woke.
    virtual bool willSleep() const = 0;

    // Opens the settings pane where the user grants `pane`, and records when in `settingOpenedAt`.
    virtual void openSetting(MacSettingPane pane) = 0;
    // Opens the privacy pane with this anchor; `settingOpenedAt` stays as it is.
    virtual void openSettingsPane(const std::string& anchor) = 0;

    // The mode in force on this computer as the service last named it; every answered heartbeat
    // writes it, with nothing when the answer names no mode.
    std::optional<MacPermissionMode> permissionMode;
    // A sentence about the last change of mode, for the menu.
    std::optional<std::string> modeNotice;
    // When a settings pane was last opened through `openSetting`.
    std::optional<std::chrono::system_clock::time_point> settingOpenedAt;
    // The system is showing its screen-recording question and waits for the user's click.
    bool screenRecordingNeedsClick = false;

    // Called on the main loop when the computer is about to sleep, after the reading noted it.
    std::function<void()> onWillSleep;
    // Called on the main loop after a wake, once the capabilities were read again and the
    // operator link was woken.
    std::function<void()> onDidWake;
    // Sends the companion's heartbeat; a change of the operate switch ends with one.
    std::function<Task<void>()> sendHeartbeat;
};

} // namespace tarvo
