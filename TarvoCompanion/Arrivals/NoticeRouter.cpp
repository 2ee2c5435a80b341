#include "TarvoCompanion/Arrivals/NoticeRouter.h"

#include <utility>

#include "TarvoCore/Companion/Arrivals.h"

namespace tarvo {

NotificationCenter::Presentation NoticeRouter::willPresent() {
    return {.banner = true, .list = true, .sound = true, .badge = false};
}

void NoticeRouter::didReceive(Json userInfo, std::function<void()> done) {
    std::string path = Arrivals::panelPath(userInfo);
    loop_.post([router = weak_from_this(), path = std::move(path), done = std::move(done)] {
        if (const auto self = router.lock(); self && self->openPanel) self->openPanel(path);
        done();
    });
}

} // namespace tarvo
