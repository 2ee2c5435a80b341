#include "TarvoCompanion/SafariStatus.h"

#include <utility>

#include "TarvoBase/Spawn.h"

namespace tarvo {

SafariStatus::SafariStatus(SafariSwitch safariSwitch)
    : switch_(std::move(safariSwitch)), setup_(switch_.isEmbedded() ? SafariSetup::offer : SafariSetup::hidden) {}

std::shared_ptr<SafariStatus> SafariStatus::make(SafariSwitch safariSwitch) {
    std::shared_ptr<SafariStatus> status(new SafariStatus(std::move(safariSwitch)));
    status->refresh();
    return status;
}

void SafariStatus::refresh() { spawn(refreshing(weak_from_this())); }

Task<void> SafariStatus::refreshing(std::weak_ptr<SafariStatus> weakStatus) {
    const auto status = weakStatus.lock();
    if (!status) co_return;
    const std::optional<bool> answer = co_await status->switch_.isOn();
    // Read again after the wait: what the browser said counts only for a handler still there.
    status->setup_ = SafariSetup::decide(status->switch_.isEmbedded(), answer == true);
}

} // namespace tarvo
