#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/SettingsStore.h"
#include "TarvoCompanion/Operator/OperatorLink.h"
#include "TarvoCompanion/Operator/OperatorPermissions.h"
#include "TarvoCore/Operator/BoundedReading.h"
#include "TarvoCore/Operator/OperatorSwitchChange.h"
#include "TarvoCore/Operator/OperatorSystemEvents.h"
#include "TarvoCore/Operator/OperatorSystemReadings.h"
#include "TarvoCore/Ports/Opener.h"

namespace tarvo {

// The operator permissions of this computer: a capability reading taken every 10 s on a worker
// and whenever the system says something changed, the two switches kept in the user's settings,
// and the settings panes handed to the opener. Made on the main loop, whose clock times it.
class OperatorPermissionsReader final : public OperatorPermissions,
                                        public std::enable_shared_from_this<OperatorPermissionsReader> {
public:
    struct Services {
        std::shared_ptr<SettingsStore> defaults;
        MacHardware hardware;
        std::shared_ptr<const OperatorSystemReadings> readings;
        std::shared_ptr<OperatorSystemEvents> events;
        std::shared_ptr<OperatorLink> link;
        std::shared_ptr<Opener> panes;
    };

    static constexpr std::chrono::seconds readingInterval{10};
    // A refresh waits no longer for a reading under way; a later one publishes it.
    static constexpr std::chrono::seconds refreshWait{2};
    // An older reading no longer stands for now.
    static constexpr std::chrono::seconds currentFor{35};

    static std::shared_ptr<OperatorPermissionsReader> make(Services services);

    void startReading() override;
    std::optional<OperatorCaps> current() const override;
    const std::optional<OperatorCaps>& caps() const override { return caps_; }
    const MacHardware& hardware() const override { return hardware_; }
    Task<void> refresh() override;

    bool allowed() const override { return allowed_; }
    void setAllowed(bool on) override;
    bool keepAwake() const override { return keepAwake_; }
    void setKeepAwake(bool on) override;
    bool willSleep() const override { return willSleep_; }

    void openSetting(MacSettingPane pane) override;
    void openSettingsPane(const std::string& anchor) override;

private:
    explicit OperatorPermissionsReader(Services services);

    void watchTheMac();
    static Task<void> readEvery(std::weak_ptr<OperatorPermissionsReader> permissions);
    static Task<void> changed(std::weak_ptr<OperatorPermissionsReader> permissions, std::shared_ptr<OperatorLink> link);
    static Task<void> didWake(std::weak_ptr<OperatorPermissionsReader> permissions);
    static Task<void> followUp(std::shared_ptr<OperatorPermissionsReader> permissions,
                               std::vector<OperatorSwitchChange> actions);

    const std::shared_ptr<SettingsStore> defaults_;
    const MacHardware hardware_;
    const std::shared_ptr<OperatorSystemEvents> events_;
    const std::shared_ptr<OperatorLink> link_;
    const std::shared_ptr<Opener> panes_;
    std::optional<OperatorCaps> caps_;
    bool keepAwake_;
    bool willSleep_ = false;
    bool allowed_;
    BoundedReading<OperatorCaps> reading_;
    bool looping_ = false;
    bool watching_ = false;
};

} // namespace tarvo
