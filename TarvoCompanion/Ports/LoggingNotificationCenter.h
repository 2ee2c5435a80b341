#pragma once

#include "TarvoCompanion/Ports/NotificationCenter.h"

namespace tarvo {

// The notification centre of a computer without one: every notice becomes one line of the plain
// log, posting is always allowed, and nothing is ever clicked.
class LoggingNotificationCenter final : public NotificationCenter {
public:
    void setDelegate(std::weak_ptr<Delegate>) override {}
    Task<Authorization> authorization() override;
    Task<Grant> requestAlertsAndSound() override;
    Task<std::optional<std::string>> add(Request request) override;

    // "tarvo: notice <identifier> <title> <body>", the texts quoted so that nothing the service
    // sends can break the line.
    static std::string line(const Request& request);
};

} // namespace tarvo
