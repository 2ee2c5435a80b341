#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "TarvoCompanion/Operator/OperatorPermissions.h"
#include "TarvoCompanion/Ports/UnavailableSettingsPanes.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// Operator permissions with nothing to read, for tests: there is no capability reading until
// `read` gives one, and sleep and wake happen when `sleep()` and `wake()` say so. The switches
// only keep their values. Settings panes are handed to `panes`.
class SimulatedOperatorPermissions final : public OperatorPermissions {
public:
    explicit SimulatedOperatorPermissions(MacHardware hardware = {},
                                          std::shared_ptr<Opener> panes = std::make_shared<UnavailableSettingsPanes>())
        : hardware_(std::move(hardware)), panes_(std::move(panes)) {}

    void startReading() override { reading_ = true; }
    bool isReading() const { return reading_; }

    std::optional<OperatorCaps> current() const override { return current_; }
    const std::optional<OperatorCaps>& caps() const override { return current_; }
    const MacHardware& hardware() const override { return hardware_; }

    Task<void> refresh() override;
    int refreshes() const { return refreshes_; }

    bool allowed() const override { return allowed_; }
    void setAllowed(bool on) override { allowed_ = on; }
    bool keepAwake() const override { return keepAwake_; }
    void setKeepAwake(bool on) override { keepAwake_ = on; }
    bool willSleep() const override { return false; }

    void openSetting(MacSettingPane pane) override;
    void openSettingsPane(const std::string& anchor) override;

    // What `current` and `caps` answer from now on.
    void read(std::optional<OperatorCaps> caps) { current_ = std::move(caps); }

    void sleep() const;
    void wake() const;

private:
    MacHardware hardware_;
    std::shared_ptr<Opener> panes_;
    int refreshes_ = 0;
    std::optional<OperatorCaps> current_;
    bool reading_ = false;
    bool allowed_ = false;
    bool keepAwake_ = false;
};

} // namespace tarvo
