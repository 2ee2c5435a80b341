#pragma once

#include <chrono>

namespace tarvo {

// The updater the program drives: three settings, a start, and checks by hand; it tells its
// delegate how each check ended. Made not started, with the delegate given at construction.
class UpdaterController {
public:
    virtual ~UpdaterController() = default;

    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool on) = 0;
    virtual void setUpdateCheckInterval(std::chrono::seconds interval) = 0;

    // Throws `UpdaterError` when the updater cannot start.
    virtual void start() = 0;
    virtual void checkForUpdates() = 0;
};

} // namespace tarvo
