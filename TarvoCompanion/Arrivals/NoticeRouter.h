#pragma once

#include <functional>
#include <memory>
#include <string>

#include "TarvoBase/RunLoop.h"
#include "TarvoCompanion/Ports/NotificationCenter.h"

namespace tarvo {

// The centre's delegate: shows notices while the companion is in front as it would behind it,
// and turns a click into the panel page the notice names.
class NoticeRouter final : public NotificationCenter::Delegate, public std::enable_shared_from_this<NoticeRouter> {
public:
    using OpenPanel = std::function<void(const std::string& path)>;

    // Clicks are handled on `loop`, the main loop.
    explicit NoticeRouter(RunLoop& loop) : loop_(loop) {}

    // Opens the panel at a path; called on the main loop. Empty until the panel is wired.
    OpenPanel openPanel;

    // Banner, list and sound; never the badge.
    NotificationCenter::Presentation willPresent() override;
    // Hops to the main loop, opens the panel there, then calls `done`.
    void didReceive(Json userInfo, std::function<void()> done) override;

private:
    RunLoop& loop_;
};

} // namespace tarvo
