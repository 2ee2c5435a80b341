#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "TarvoCompanion/Ports/NotificationCenter.h"

namespace tarvo::testing {

// A notification centre that answers as told and keeps every notice, the ones still on show
// by identifier, as a real centre does.
class RecordingNotificationCenter final : public NotificationCenter {
public:
    Authorization status = Authorization::authorized;
    Grant grant{true, std::nullopt};
    // Why every request is refused; nothing when they are added.
    std::optional<std::string> refusal;

    std::vector<Request> added;
    std::map<std::string, Request> shown;

    void setDelegate(std::weak_ptr<Delegate> delegate) override { delegate_ = std::move(delegate); }

    Task<Authorization> authorization() override { co_return status; }
    Task<Grant> requestAlertsAndSound() override { co_return grant; }
    Task<std::optional<std::string>> add(Request request) override {
        added.push_back(request);
        if (!refusal) shown.insert_or_assign(request.identifier, request);
        co_return refusal;
    }

    std::shared_ptr<Delegate> delegate() const { return delegate_.lock(); }

    // A click on a notice with this user info, delivered on a thread of the centre's own;
    // `handled` turns true when the delegate calls back.
    void click(Json userInfo, std::atomic<bool>& handled) const {
        std::thread centreThread([delegate = delegate_, userInfo = std::move(userInfo), &handled] {
            if (const auto receiver = delegate.lock()) receiver->didReceive(userInfo, [&handled] { handled = true; });
        });
        centreThread.join();
    }

private:
    std::weak_ptr<Delegate> delegate_;
};

} // namespace tarvo::testing
