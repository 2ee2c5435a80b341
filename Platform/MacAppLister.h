#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/EwmhDesktop.h"
#include "Platform/X11EventThread.h"
#include "TarvoCore/Operator/AppListing.h"

namespace tarvo {

// The applications running on the desktop, read from the window manager's lists at each call,
// off the loop. It follows which window becomes active on the
// companion's own connection, so it knows the last application other than the companion that
// came to the front. Without a display it lists nothing and knows no earlier application. Made
// and destroyed on the loop's thread.
class MacAppLister final : public AppListing {
public:
    // `events` is the companion's connection with its event thread, none without a display;
    // `desktop` reads the same display.
    MacAppLister(std::shared_ptr<X11EventThread> events, std::shared_ptr<EwmhDesktop> desktop);

    Task<std::vector<RunningApp>> runningApps() override;
    // The last other application to come to the front, while the companion itself is in front.
    Task<std::optional<std::int32_t>> frontmostBeforeTarvo() override;

private:
    void noteFront();

    std::shared_ptr<X11EventThread> events_;
    std::shared_ptr<EwmhDesktop> desktop_;
    mutable std::mutex lock_;
    std::optional<std::int32_t> lastOtherFront_;
    X11EventThread::Watch watch_;
};

} // namespace tarvo
