#include "TarvoCompanion/Operator/SimulatedOperatorPermissions.h"

#include "TarvoBase/RunLoop.h"

namespace tarvo {

void SimulatedOperatorPermissions::sleep() const {
    if (onWillSleep) onWillSleep();
}

void SimulatedOperatorPermissions::wake() const {
    if (onDidWake) onDidWake();
}

Task<void> SimulatedOperatorPermissions::refresh() {
    ++refreshes_;
    co_return;
}

void SimulatedOperatorPermissions::openSetting(MacSettingPane pane) {
    panes_->open(pane.url());
    settingOpenedAt = RunLoop::current().clock().date();
}

void SimulatedOperatorPermissions::openSettingsPane(const std::string& anchor) {
    panes_->open(std::string(MacSettingPane::securityPanes) + anchor);
}

} // namespace tarvo
