#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "TarvoCompanion/Operator/OperatorPermissions.h"
#include "TarvoCompanion/Ports/UnavailableSettingsPanes.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// Operator permissions with nothing to read, for tests and for a computer without the operator's
// platform side: there is no capability reading until `read` gives one, and sleep and wake happen
// when `sleep()` and `wake()` say so. Settings panes are handed to `panes`.
class SimulatedOperatorPermissions final : public OperatorPermissions {
public:
    explicit SimulatedOperatorPermissions(MacHardware hardware = {},
                                          std::shared_ptr<Opener> panes = std::make_shared<UnavailableSettingsPanes>())
        : hardware_(std::move(hardware)), panes_(std::move(panes)) {}

    void startReading() override { reading_ = true; }
    bool isReading() const { return reading_; }

    std::optional<Json> currentWire() const override { return current_; }
    const MacHardware& hardware() const override { return hardware_; }

    Task<void> refresh() override;
    int refreshes() const { return refreshes_; }
    void openSetting(MacSettingPane pane) override;

    // What `currentWire` answers from now on.
    void read(std::optional<Json> wire) { current_ = std::move(wire); }

    void sleep() const;
    void wake() const;

private:
    MacHardware hardware_;
    std::shared_ptr<Opener> panes_;
    int refreshes_ = 0;
    std::optional<Json> current_;
    bool reading_ = false;
};

} // namespace tarvo
