#include "TarvoCompanion/Operator/OperatorPermissionsReader.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Operator/KeepAwakeSetting.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"
#include "TarvoCore/Operator/OperatorSwitch.h"

namespace tarvo {

std::shared_ptr<OperatorPermissionsReader> OperatorPermissionsReader::make(Services services) {
    return std::shared_ptr<OperatorPermissionsReader>(new OperatorPermissionsReader(std::move(services)));
}

// The reading is always taken with the switch off: `refresh` and `current` put the switch in as
// it is when they answer, not as it was when the reading began.
OperatorPermissionsReader::OperatorPermissionsReader(Services services)
    : defaults_(std::move(services.defaults)),
      hardware_(std::move(services.hardware)),
      events_(std::move(services.events)),
      link_(std::move(services.link)),
      panes_(std::move(services.panes)),
      keepAwake_(KeepAwakeSetting::isOn(*defaults_, hardware_.isLaptop())),
      allowed_(OperatorSwitch::isOn(*defaults_)),
      reading_(RunLoop::current().sharedClock(),
               [readings = std::move(services.readings)] { return OperatorCaps::read(false, *readings); }) {}

void OperatorPermissionsReader::startReading() {
    watchTheMac();
    if (std::exchange(looping_, true)) return;
    spawn(readEvery(weak_from_this()));
}

Task<void> OperatorPermissionsReader::readEvery(std::weak_ptr<OperatorPermissionsReader> permissions) {
    for (;;) {
        {
            const auto self = permissions.lock();
            if (!self) co_return;
            co_await self->refresh();
        }
        co_await sleepFor(readingInterval);
    }
}

Task<void> OperatorPermissionsReader::refresh() {
    const auto self = shared_from_this();
    Task<bool> reading = reading_.refresh(refreshWait);
    co_await std::move(reading);
    std::optional<OperatorCaps> newest = reading_.newestValue();
    if (!newest) co_return;
    newest->enabled = allowed_;
    // Only a change of readiness is worth a line; idle time and power change all the time.
    if (!caps_ || newest->gaps() != caps_->gaps() || newest->displayCount != caps_->displayCount) {
        TarvoLog::operatorReadinessChanged(*newest);
    }
    caps_ = std::move(newest);
}

std::optional<OperatorCaps> OperatorPermissionsReader::current() const {
    std::optional<OperatorCaps> caps = reading_.latest(currentFor);
    if (!caps) return std::nullopt;
    caps->enabled = allowed_;
    // Unknown rather than false, so that the heartbeat leaves them out.
    caps->willSleep = willSleep_ ? std::optional(true) : std::nullopt;
    caps->screenRecordingNeedsClick = screenRecordingNeedsClick ? std::optional(true) : std::nullopt;
    caps->keepAwake = keepAwake_;
    const auto& kinds = OperatorStepRequest::protocolTwoKinds;
    caps->stepKinds = std::vector<std::string>(kinds.begin(), kinds.end());
    return caps;
}

void OperatorPermissionsReader::setAllowed(bool on) {
    if (std::exchange(allowed_, on) == on) return;
    OperatorSwitch::set(on, *defaults_);
    TarvoLog::operatorSwitch(on);
    if (caps_) caps_->enabled = on;
    std::vector<OperatorSwitchChange> actions = OperatorSwitchChange::then(on);
    // A run must not go on a moment after the user switched operating off.
    if (std::ranges::find(actions, OperatorSwitchChange::stopLiveRun) != actions.end()) {
        link_->stopBecauseSwitchedOff();
    }
    spawn(followUp(shared_from_this(), std::move(actions)));
}

Task<void> OperatorPermissionsReader::followUp(std::shared_ptr<OperatorPermissionsReader> permissions,
                                               std::vector<OperatorSwitchChange> actions) {
    for (const OperatorSwitchChange action : actions) {
        switch (action.action()) {
        case OperatorSwitchChange::stopLiveRun: break;
        case OperatorSwitchChange::readMacOS: co_await permissions->refresh(); break;
        case OperatorSwitchChange::wakeOperatorLoop: permissions->link_->wake->signal(); break;
        case OperatorSwitchChange::refreshKeepAwake: permissions->link_->refreshKeepAwake(); break;
        case OperatorSwitchChange::sendHeartbeat:
            if (permissions->sendHeartbeat) {
                Task<void> heartbeat = permissions->sendHeartbeat();
                co_await std::move(heartbeat);
            }
            break;
        }
    }
}

void OperatorPermissionsReader::setKeepAwake(bool on) {
    if (std::exchange(keepAwake_, on) == on) return;
    KeepAwakeSetting::set(on, *defaults_);
    link_->refreshKeepAwake();
}

void OperatorPermissionsReader::watchTheMac() {
    if (std::exchange(watching_, true)) return;
    const std::weak_ptr<OperatorPermissionsReader> permissions = weak_from_this();
    auto willSleep = [permissions] {
        const auto self = permissions.lock();
        if (!self) return;
        self->willSleep_ = true;
        if (self->onWillSleep) self->onWillSleep();
    };
    events_->watch(OperatorSystemEvents::Handlers{
        .changed = [permissions, link = link_] { spawn(changed(permissions, link)); },
        .willSleep = willSleep,
        .didWake = [permissions] { spawn(didWake(permissions)); },
    });
}

// The link hears of the change even when these permissions are gone.
Task<void> OperatorPermissionsReader::changed(std::weak_ptr<OperatorPermissionsReader> permissions,
                                              std::shared_ptr<OperatorLink> link) {
    if (const auto self = permissions.lock()) co_await self->refresh();
    link->wake->signal();
    link->refreshKeepAwake();
}

Task<void> OperatorPermissionsReader::didWake(std::weak_ptr<OperatorPermissionsReader> permissions) {
    const auto self = permissions.lock();
    if (!self) co_return;
    self->willSleep_ = false;
    co_await self->refresh();
    self->link_->wake->signal();
    self->link_->refreshKeepAwake();
    if (self->onDidWake) self->onDidWake();
}

// This computer has no question of its own to ask before a pane, so every pane goes straight to
// the opener.
void OperatorPermissionsReader::openSetting(MacSettingPane pane) {
    settingOpenedAt = RunLoop::current().clock().date();
    panes_->open(pane.url());
}

void OperatorPermissionsReader::openSettingsPane(const std::string& anchor) {
    panes_->open(std::string(MacSettingPane::securityPanes) + anchor);
}

} // namespace tarvo
