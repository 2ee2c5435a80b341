#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "TarvoClient/HeartbeatNudge.h"
#include "TarvoCompanion/Arrivals/NoticeRouter.h"
#include "TarvoCompanion/Ports/NotificationCenter.h"

namespace tarvo {

// Tells the user when more is waiting for them than before, and shows the service's nudges.
// It lives on the main loop; the permission answers reach it there only while it exists.
class ArrivalNotifier : public std::enable_shared_from_this<ArrivalNotifier> {
public:
    // Makes its router the centre's delegate, then reads the permission.
    static std::shared_ptr<ArrivalNotifier> create(std::shared_ptr<NotificationCenter> centre);

    ArrivalNotifier(const ArrivalNotifier&) = delete;
    ArrivalNotifier& operator=(const ArrivalNotifier&) = delete;

    // Asks the centre whether notices may be posted. A change the user makes in the system
    // settings meanwhile is seen only by the next reading or request.
    void readPermission();
    // Asks the user to allow notices.
    void requestPermission();

    // Records the count and posts the waiting notice when it rose over the count heard before.
    // A notice lost to a missing permission is not made up later.
    void heard(std::int64_t waiting);
    // Posts the notice for a nudge, when it makes one and posting is allowed.
    void post(const HeartbeatNudge& nudge);

    // The count heard last; nothing before the first.
    std::optional<std::int64_t> announced() const { return announced_; }
    bool allowed() const { return allowed_; }
    NoticeRouter& router() { return *router_; }

private:
    explicit ArrivalNotifier(std::shared_ptr<NotificationCenter> centre);

    static Task<void> readPermissionAs(std::weak_ptr<ArrivalNotifier> notifier,
                                       std::shared_ptr<NotificationCenter> centre);
    static Task<void> requestPermissionAs(std::weak_ptr<ArrivalNotifier> notifier,
                                          std::shared_ptr<NotificationCenter> centre);
    static Task<void> postWaiting(std::shared_ptr<NotificationCenter> centre, NotificationCenter::Request request);
    static Task<void> postNudge(std::shared_ptr<NotificationCenter> centre, NotificationCenter::Request request);

    std::shared_ptr<NotificationCenter> centre_;
    std::optional<std::int64_t> announced_;
    bool allowed_ = false;
    // The centre holds its delegate weakly; this keeps it alive.
    std::shared_ptr<NoticeRouter> router_;
};

} // namespace tarvo
