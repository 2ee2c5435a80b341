#include "TarvoCompanion/Updates/Updater.h"

#include <optional>
#include <string>

#include "TarvoCore/Companion/TarvoLog.h"

namespace tarvo {
namespace {

bool present(const std::optional<std::string>& value) { return value && !value->empty(); }

} // namespace

Updater::Updater(const BundleInfo& bundle, const MakeController& makeController) {
    const std::optional<std::string> feed = bundle.string(BundleInfo::feedURLKey);
    hasFeed_ = present(feed) && present(bundle.string(BundleInfo::publicEDKeyKey));
    if (!hasFeed_) {
        TarvoLog::updatesNotConfigured();
        return;
    }
    controller_ = makeController(bundle, *this);
    controller_->setAutomaticallyChecksForUpdates(true);
    controller_->setAutomaticallyDownloadsUpdates(false);
    controller_->setUpdateCheckInterval(updateCheckInterval);
    try {
        controller_->start();
        TarvoLog::updateChecksOn(*feed);
    } catch (const UpdaterError& failure) {
        TarvoLog::updaterDidNotStart(failure.description());
    }
}

Updater::~Updater() = default;

void Updater::checkForUpdates() {
    if (!hasFeed_) {
        TarvoLog::updateCheckWithoutFeed();
        return;
    }
    controller_->checkForUpdates();
}

void Updater::didAbortWithError(const UpdaterError& error) {
    if (error.code() == UpdaterError::noUpdateFound) {
        TarvoLog::updateCheckFoundNothingNewer();
    } else {
        TarvoLog::updateCheckFailed(error.description());
    }
}

void Updater::didFindValidUpdate(const AppcastItem& item) {
    TarvoLog::updateAvailable(item.displayVersionString, item.versionString);
}

} // namespace tarvo
