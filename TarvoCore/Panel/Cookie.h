#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/Panel/WebAddress.h"

namespace tarvo {

// One cookie as a browser keeps it.
struct Cookie {
    using Date = std::chrono::system_clock::time_point;

    std::string name;
    std::string value;
    // Lower case, without a leading dot.
    std::string domain;
    // Sent to `domain` itself only, not to the hosts under it: the answer named no domain.
    bool hostOnly = true;
    std::string path;
    // None for a cookie that lasts only as long as the program runs.
    std::optional<Date> expires;
    bool secure = false;
    bool httpOnly = false;

    // The cookie of one Set-Cookie field value, or why it is refused.
    struct Parsed;

    // Read as a browser reads it for an answer from `origin`: a cookie without a domain belongs to
    // the origin's host alone, and one whose domain the origin's host does not lie in is refused.
    // `now` dates Max-Age.
    static Parsed fromSetCookie(std::string_view field, const WebAddress& origin, Date now);

    bool isExpired(Date now) const { return expires && *expires <= now; }

    // Whether this is a cookie as the panel keeps one, however it was read: a name, UTF-8 text
    // without a ";" in the name or value, a domain in lower case without a leading dot, an
    // absolute path.
    bool isWellFormed() const;

    bool operator==(const Cookie&) const = default;
};

struct Cookie::Parsed {
    std::optional<Cookie> cookie;
    std::string refusal;
};

} // namespace tarvo
