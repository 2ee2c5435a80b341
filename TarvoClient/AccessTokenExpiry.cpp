#include "TarvoClient/AccessTokenExpiry.h"

#include <string>

#include "TarvoBase/Base64.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

// 2100-01-01T00:00:00Z. Anything later, like anything negative, NaN or infinite, is taken as
// no expiry at all: converting it would overflow the clock's nanosecond count.
constexpr double latestExpiry = 4102444800.0;

std::optional<std::string_view> payloadOf(std::string_view token) {
    const auto first = token.find('.');
    if (first == std::string_view::npos) return std::nullopt;
    const auto second = token.find('.', first + 1);
    if (second == std::string_view::npos || token.find('.', second + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    return token.substr(first + 1, second - first - 1);
}

std::optional<double> expClaim(std::string_view payload) {
    auto bytes = Base64::decode(Base64::standardFromUrl(payload));
    if (!bytes) return std::nullopt;
    auto claims = JsonReader::parse(*bytes);
    if (!claims || !claims->is_object()) return std::nullopt;
    try {
        return JsonReader(*claims).optionalNumber("exp");
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<std::chrono::system_clock::time_point> accessTokenExpiry(std::string_view token) {
    auto payload = payloadOf(token);
    if (!payload) return std::nullopt;
    auto exp = expClaim(*payload);
    if (!exp || !(*exp >= 0.0 && *exp <= latestExpiry)) return std::nullopt;
    const std::chrono::duration<double> sinceEpoch(*exp);
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
}

bool accessTokenIsUsable(std::string_view token, std::chrono::duration<double> margin,
                         std::chrono::system_clock::time_point now) {
    auto expiry = accessTokenExpiry(token);
    if (!expiry) return false;
    // In floating seconds, so that no `now` or `margin` a caller passes can overflow the
    // clock's integer count.
    const std::chrono::duration<double> left = std::chrono::duration<double>(expiry->time_since_epoch()) -
                                               std::chrono::duration<double>(now.time_since_epoch());
    return left > margin;
}

} // namespace tarvo
