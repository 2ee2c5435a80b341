#include <exception>
#include <stdexcept>
#include <utility>
#include <variant>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Operator/MacModeMenu.h"
#include "TarvoCore/Operator/MacPermissionWords.h"
#include "TarvoCore/Ports/SingleInstance.h"

namespace tarvo {

void Companion::showSetupWindow() {
    if (state_.signIn.isSignedIn() && state_.canReadMessages) {
        openPanelWindow("/app");
        return;
    }
    presentSetupWindow();
}

void Companion::presentSetupWindow() {
    if (!setupWindow_) setupWindow_ = std::make_unique<SetupWindow>();
    setupWindow_->makeKeyAndOrderFront();
    PlainLog::write("tarvo: the setup window is in front");
}

bool Companion::deviceIdStored() const { return defaults_->object(deviceIdKey).has_value(); }

void Companion::offerToStartAtLogin() {
    const auto asked = defaults_->object(askedAboutLoginKey);
    if (asked && asked->is_boolean() && asked->get<bool>()) return;
    // Before the question, so that it is never asked twice, even when the program ends while
    // the question is up.
    defaults_->set(Json(true), askedAboutLoginKey);
    const std::size_t answer = alerts_->present({
        .messageText = "Open Tarvo when you log in?",
        .informativeText = "Tarvo can only read new iMessages while it is running. If it is not open, replies you "
                           "send from your phone wait until it is.",
        .buttons = {"Yes, open it at login", "No, I will open it myself"},
    });
    if (answer != 0) return;
    try {
        if (!loginItem_) throw std::runtime_error("this computer has no login items");
        loginItem_->registerMainApp();
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: could not register as a login item: ") + failure.what());
        state_.blockedReason = "Tarvo could not add itself to your login items. You can add it in System Settings → "
                               "General → Login Items.";
    }
}

void Companion::openFullDiskAccessSettings() { settingsPanes_->open(std::string(fullDiskAccessAddress)); }

void Companion::relaunchForPermission() {
    try {
        if (!processRunner_) throw std::runtime_error("this companion starts no programs");
        // The path is an argument of its own, never text for a shell. The new copy waits for this
        // one to let go of the single-instance claim.
        processRunner_->launchDetached(executablePath_, {std::string(SingleInstance::relaunchedArgument)});
    } catch (const std::exception& failure) {
        PlainLog::write(std::string("tarvo: could not start a new copy of Tarvo, so this one keeps running: ") +
                        failure.what());
        return;
    }
    PlainLog::write("tarvo: started a new copy of Tarvo — quitting");
    if (quit_) quit_();
}

void Companion::quit() {
    if (quit_) quit_();
}

void Companion::chooseMode(MacPermissionMode mode) {
    operatorPermissions_->modeNotice.reset();
    if (!settings_.credentials) return;
    const std::string deviceId = settings_.credentials->deviceId;
    const MacModeMenu::Choice choice = MacModeMenu::choose(mode, operatorPermissions_->permissionMode, deviceId);
    if (const auto* wider = std::get_if<MacModeMenu::OpenWindow>(&choice)) {
        openPanelWindow(wider->path);
        return;
    }
    const auto* narrower = std::get_if<MacModeMenu::Narrow>(&choice);
    if (!narrower) return;
    auto brain = client();
    if (!brain) return;
    spawn(narrowMode(shared_from_this(), std::move(brain), deviceId, narrower->mode));
}

Task<void> Companion::narrowMode(std::shared_ptr<Companion> self, std::shared_ptr<BrainClient> client,
                                 std::string deviceId, MacPermissionMode mode) {
    int status = 0;
    try {
        const std::string raw(rawValue(mode));
        const HttpTransport::Response answer = co_await client->setPermissionMode(deviceId, raw);
        status = answer.status;
    } catch (...) {
        // Nothing answered: status 0.
    }
    if (status >= 200 && status <= 299) {
        self->operatorPermissions_->permissionMode = mode;
        co_return;
    }
    self->operatorPermissions_->modeNotice = std::string(MacPermissionWords::macModeFailed);
    PlainLog::write("tarvo: operator mode not set (" + std::to_string(status) + ")");
}

} // namespace tarvo
