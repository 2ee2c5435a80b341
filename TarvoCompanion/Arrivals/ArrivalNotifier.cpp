#include "TarvoCompanion/Arrivals/ArrivalNotifier.h"

#include <string>
#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Companion/Arrivals.h"

namespace tarvo {
namespace {

bool allowsAlerts(NotificationCenter::Authorization status) {
    return status == NotificationCenter::Authorization::authorized ||
           status == NotificationCenter::Authorization::provisional;
}

NotificationCenter::Request waitingRequest(std::int64_t waiting) {
    return {
        std::string(Arrivals::waitingIdentifier),
        std::string(Arrivals::noticeTitle),
        Arrivals::line(waiting),
        {{std::string(Arrivals::openKey), std::string(Arrivals::openPanel)}},
    };
}

} // namespace

std::shared_ptr<ArrivalNotifier> ArrivalNotifier::create(std::shared_ptr<NotificationCenter> centre) {
    std::shared_ptr<ArrivalNotifier> notifier(new ArrivalNotifier(std::move(centre)));
    notifier->centre_->setDelegate(notifier->router_);
    notifier->readPermission();
    return notifier;
}

ArrivalNotifier::ArrivalNotifier(std::shared_ptr<NotificationCenter> centre)
    : centre_(std::move(centre)), router_(std::make_shared<NoticeRouter>(RunLoop::current())) {}

void ArrivalNotifier::readPermission() { spawn(readPermissionAs(weak_from_this(), centre_)); }

void ArrivalNotifier::requestPermission() { spawn(requestPermissionAs(weak_from_this(), centre_)); }

void ArrivalNotifier::heard(std::int64_t waiting) {
    const std::optional<std::int64_t> previous = std::exchange(announced_, waiting);
    if (allowed_ && Arrivals::shouldAnnounce(previous, waiting)) spawn(postWaiting(centre_, waitingRequest(waiting)));
}

void ArrivalNotifier::post(const HeartbeatNudge& nudge) {
    std::optional<Arrivals::NudgeNotice> notice = Arrivals::nudgeNotice(nudge.turnId, nudge.title, nudge.body);
    TarvoLog::nudgeNoticePosted(allowed_);
    if (!allowed_ || !notice) return;
    spawn(postNudge(centre_, {std::string(Arrivals::nudgeIdentifier), std::move(notice->title), std::move(notice->body),
                              std::move(notice->userInfo)}));
}

Task<void> ArrivalNotifier::readPermissionAs(std::weak_ptr<ArrivalNotifier> notifier,
                                             std::shared_ptr<NotificationCenter> centre) {
    const NotificationCenter::Authorization status = co_await centre->authorization();
    if (const auto self = notifier.lock()) self->allowed_ = allowsAlerts(status);
}

Task<void> ArrivalNotifier::requestPermissionAs(std::weak_ptr<ArrivalNotifier> notifier,
                                                std::shared_ptr<NotificationCenter> centre) {
    const NotificationCenter::Grant grant = co_await centre->requestAlertsAndSound();
    if (grant.error) PlainLog::write("tarvo: notifications unavailable: " + *grant.error);
    if (const auto self = notifier.lock()) self->allowed_ = grant.granted;
}

Task<void> ArrivalNotifier::postWaiting(std::shared_ptr<NotificationCenter> centre,
                                        NotificationCenter::Request request) {
    const std::optional<std::string> refused = co_await centre->add(std::move(request));
    if (refused) PlainLog::write("tarvo: could not post notification: " + *refused);
}

Task<void> ArrivalNotifier::postNudge(std::shared_ptr<NotificationCenter> centre, NotificationCenter::Request request) {
    const std::optional<std::string> refused = co_await centre->add(std::move(request));
    if (refused) TarvoLog::nudgeNoticeFailed();
}

} // namespace tarvo
