#include "TarvoCompanion/Ports/LoggingNotificationCenter.h"

#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

std::string quoted(const std::string& text) { return Json(text).dump(-1, ' ', false, Json::error_handler_t::replace); }

} // namespace

Task<NotificationCenter::Authorization> LoggingNotificationCenter::authorization() {
    co_return Authorization::authorized;
}

Task<NotificationCenter::Grant> LoggingNotificationCenter::requestAlertsAndSound() { co_return Grant{true, {}}; }

Task<std::optional<std::string>> LoggingNotificationCenter::add(Request request) {
    PlainLog::write(line(request));
    co_return std::nullopt;
}

std::string LoggingNotificationCenter::line(const Request& request) {
    return "tarvo: notice " + request.identifier + " " + quoted(request.title) + " " + quoted(request.body);
}

} // namespace tarvo
