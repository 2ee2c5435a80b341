#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "TarvoBase/BundleInfo.h"
#include "TarvoCompanion/Updates/UpdaterController.h"
#include "TarvoCompanion/Updates/UpdaterDelegate.h"

namespace tarvo {

// Decides from the bundle information whether updates are configured, starts the updater with
// fixed settings when they are, serves the menu's "Check for Updates…", and logs how each check
// ends. The bundle is read once: a change needs a restart.
class Updater final : public UpdaterDelegate {
public:
    // Makes the controller, not started, telling the given delegate.
    using MakeController =
        std::function<std::unique_ptr<UpdaterController>(const BundleInfo& bundle, UpdaterDelegate& delegate)>;

    static constexpr std::chrono::seconds updateCheckInterval{86400};

    // Starts the updater, or logs that updates are not configured. A start that fails is logged
    // and the program goes on: the controller is kept, not started.
    Updater(const BundleInfo& bundle, const MakeController& makeController);
    ~Updater() override;

    Updater(const Updater&) = delete;
    Updater& operator=(const Updater&) = delete;

    // True exactly when the bundle holds a non-empty string under both "SUFeedURL" and
    // "SUPublicEDKey"; the menu shows "Check for Updates…" only then.
    bool hasFeed() const { return hasFeed_; }
    void checkForUpdates();

    void didAbortWithError(const UpdaterError& error) override;
    void didFindValidUpdate(const AppcastItem& item) override;

private:
    std::unique_ptr<UpdaterController> controller_;
    bool hasFeed_ = false;
};

} // namespace tarvo
