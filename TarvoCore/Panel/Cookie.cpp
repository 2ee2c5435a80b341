#include "TarvoCore/Panel/Cookie.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <vector>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

using namespace std::chrono;

// A year of seconds a hundred times over is as long as "for ever" needs to be; it also keeps
// every expiry within what the clock holds.
constexpr seconds longestLifetime{std::int64_t{100} * 366 * 24 * 3600};

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isDateDelimiter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == 0x09 || (byte >= 0x20 && byte <= 0x2f) || (byte >= 0x3b && byte <= 0x40) ||
           (byte >= 0x5b && byte <= 0x60) || (byte >= 0x7b && byte <= 0x7e);
}

// `least` to `most` digits at the start of `token`, then its end or a non-digit.
std::optional<int> leadingNumber(std::string_view token, std::size_t least, std::size_t most) {
    std::size_t count = 0;
    while (count < token.size() && isDigit(token[count])) ++count;
    if (count < least || count > most) return std::nullopt;
    int value = 0;
    for (std::size_t at = 0; at < count; ++at) value = value * 10 + (token[at] - '0');
    return value;
}

// "hh:mm:ss", each part one or two digits, then anything that does not begin with a digit.
std::optional<std::array<int, 3>> timeOfDay(std::string_view token) {
    std::array<int, 3> parts{};
    for (std::size_t part = 0; part < 3; ++part) {
        std::size_t count = 0;
        while (count < token.size() && count < 3 && isDigit(token[count])) ++count;
        if (count < 1 || count > 2) return std::nullopt;
        parts[part] = *leadingNumber(token, 1, 2);
        token.remove_prefix(count);
        if (part < 2) {
            if (token.empty() || token.front() != ':') return std::nullopt;
            token.remove_prefix(1);
        }
    }
    if (!token.empty() && isDigit(token.front())) return std::nullopt;
    return parts;
}

std::optional<unsigned> monthOf(std::string_view token) {
    static constexpr std::array<std::string_view, 12> months = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                "jul", "aug", "sep", "oct", "nov", "dec"};
    if (token.size() < 3) return std::nullopt;
    const std::string prefix = lowered(token.substr(0, 3));
    const auto found = std::find(months.begin(), months.end(), prefix);
    if (found == months.end()) return std::nullopt;
    return static_cast<unsigned>(found - months.begin()) + 1;
}

// The cookie date of RFC 6265: tokens in any order, the first of each kind counting. In whole
// seconds, which hold every year up to 9999.
std::optional<sys_seconds> cookieDate(std::string_view text) {
    std::optional<std::array<int, 3>> time;
    std::optional<int> day;
    std::optional<unsigned> month;
    std::optional<int> year;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isDateDelimiter(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && !isDateDelimiter(text[at])) ++at;
        const std::string_view token = text.substr(start, at - start);
        if (token.empty()) continue;
        if (!time && (time = timeOfDay(token))) continue;
        if (!day && (day = leadingNumber(token, 1, 2))) continue;
        if (!month && (month = monthOf(token))) continue;
        if (!year) year = leadingNumber(token, 2, 4);
    }
    if (!time || !day || !month || !year) return std::nullopt;
    if (*year >= 70 && *year <= 99) *year += 1900;
    if (*year >= 0 && *year <= 69) *year += 2000;
    const auto [hour, minute, second] = *time;
    if (*day < 1 || *day > 31 || *year < 1601 || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const year_month_day date{std::chrono::year(*year), std::chrono::month(*month),
                              std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) return std::nullopt;
    return sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
}

// The date held within a lifetime of `now` either way: further off, it would overflow the clock.
Cookie::Date expiryAt(sys_seconds date, Cookie::Date now) {
    const sys_seconds present = floor<seconds>(now);
    return std::clamp(date, present - longestLifetime, present + longestLifetime);
}

// A whole number of seconds, perhaps negative; nothing for anything else.
std::optional<std::int64_t> maxAge(std::string_view text) {
    const bool negative = text.starts_with('-');
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), isDigit)) return std::nullopt;
    const std::int64_t longest = longestLifetime.count();
    std::int64_t value = 0;
    for (const char c : digits) value = std::min(longest, value * 10 + (c - '0'));
    return negative ? -value : value;
}

bool isIPAddress(std::string_view host) {
    return host.find(':') != std::string_view::npos ||
           std::all_of(host.begin(), host.end(), [](char c) { return isDigit(c) || c == '.'; });
}

// RFC 6265's domain-match: the same host, or a host name ending in "." + `domain`.
bool domainMatches(std::string_view host, std::string_view domain) {
    if (host == domain) return true;
    return !isIPAddress(host) && host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

// Up to the last "/" of the request's path, or "/" when that leaves nothing.
std::string defaultPath(std::string_view path) {
    if (!path.starts_with('/')) return "/";
    const auto last = path.rfind('/');
    if (last == 0) return "/";
    return std::string(path.substr(0, last));
}

std::vector<std::string_view> splitAtSemicolons(std::string_view field) {
    std::vector<std::string_view> parts;
    for (;;) {
        const auto semicolon = field.find(';');
        parts.push_back(field.substr(0, semicolon));
        if (semicolon == std::string_view::npos) return parts;
        field.remove_prefix(semicolon + 1);
    }
}

} // namespace

Cookie::Parsed Cookie::fromSetCookie(std::string_view field, const WebAddress& origin, Date now) {
    const std::vector<std::string_view> parts = splitAtSemicolons(field);
    const auto equals = parts.front().find('=');
    if (equals == std::string_view::npos) return {std::nullopt, "it has no name=value pair"};
    Cookie cookie;
    cookie.name = std::string(trimmed(parts.front().substr(0, equals)));
    cookie.value = std::string(trimmed(parts.front().substr(equals + 1)));
    if (cookie.name.empty()) return {std::nullopt, "it has no name"};

    std::optional<sys_seconds> expires;
    std::optional<std::int64_t> lifetime;
    std::string domain;
    std::optional<std::string> path;
    for (std::size_t index = 1; index < parts.size(); ++index) {
        const std::string_view part = parts[index];
        const auto split = part.find('=');
        const std::string attribute = lowered(trimmed(part.substr(0, split)));
        const std::string_view value = split == std::string_view::npos ? "" : trimmed(part.substr(split + 1));
        if (attribute == "expires") {
            if (const auto date = cookieDate(value)) expires = date;
        } else if (attribute == "max-age") {
            if (const auto seconds = maxAge(value)) lifetime = seconds;
        } else if (attribute == "domain") {
            domain = lowered(value.starts_with('.') ? value.substr(1) : value);
        } else if (attribute == "path") {
            path = value.starts_with('/') ? std::optional<std::string>(value) : std::nullopt;
        } else if (attribute == "secure") {
            cookie.secure = true;
        } else if (attribute == "httponly") {
            cookie.httpOnly = true;
        }
    }

    // Max-Age wins over Expires wherever each stands.
    if (lifetime) {
        cookie.expires = *lifetime <= 0 ? Date{} : now + std::chrono::seconds(*lifetime);
    } else if (expires) {
        cookie.expires = expiryAt(*expires, now);
    }

    const std::string host = lowered(origin.host.value_or(""));
    if (host.empty()) return {std::nullopt, "the address it came from names no host"};
    if (domain.empty()) {
        cookie.domain = host;
    } else {
        // Without the list of public suffixes, a single label ("com", "local") is taken for one.
        const bool suffixOnly = domain.find('.') == std::string::npos && domain != host;
        if (suffixOnly || !domainMatches(host, domain)) {
            return {std::nullopt, "its domain " + domain + " is not this site's (" + host + ")"};
        }
        cookie.domain = domain;
        cookie.hostOnly = false;
    }
    cookie.path = path.value_or(defaultPath(origin.path));
    if (!cookie.isWellFormed()) return {std::nullopt, "it is not text the panel can keep"};
    return {std::move(cookie), {}};
}

bool Cookie::isWellFormed() const {
    const auto text = [](const std::string& part) { return Text::isWellFormedUtf8(part); };
    return !name.empty() && name.find(';') == std::string::npos && value.find(';') == std::string::npos &&
           text(name) && text(value) && text(domain) && text(path) && !domain.empty() && !domain.starts_with('.') &&
           domain == lowered(domain) && path.starts_with('/');
}

} // namespace tarvo
