#include <chrono>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/Panel/Cookie.h"
#include "TarvoCore/Panel/CookieJar.h"
#include "TarvoCore/Panel/WebAddress.h"

// The panel's cookies: Set-Cookie lines from an answer (first byte even), or the jar's file
// (first byte odd).
//
// A cookie never widens its domain or path: one without a Domain is its origin's host alone, one
// with a Domain is for that host or a parent of it that is more than one label, and its path is
// absolute. A jar written to its file reads back the same, and a jar read from any file holds
// only such cookies, each as the file gives it, or none at all.
namespace {

using namespace tarvo;
using fuzz::require;
using Date = Cookie::Date;

const Date now = Date(std::chrono::seconds(1'700'000'000));

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool isIPAddress(std::string_view host) {
    return host.find(':') != std::string_view::npos || host.find_first_not_of("0123456789.") == std::string_view::npos;
}

// What may be relied on of a cookie however it was read.
void requireShape(const Cookie& cookie) {
    require(!cookie.name.empty());
    require(Text::isWellFormedUtf8(cookie.name) && Text::isWellFormedUtf8(cookie.value));
    require(!cookie.domain.empty() && !cookie.domain.starts_with('.') && cookie.domain == lowered(cookie.domain));
    require(cookie.path.starts_with('/'));
}

// No wider than the origin allows.
void requireWithinOrigin(const Cookie& cookie, const WebAddress& origin) {
    requireShape(cookie);
    const std::string host = lowered(origin.host.value_or(""));
    if (cookie.hostOnly || cookie.domain == host) {
        require(cookie.domain == host);
        return;
    }
    require(!isIPAddress(host) && cookie.domain.find('.') != std::string::npos);
    require(host.size() > cookie.domain.size() && host.ends_with("." + cookie.domain));
}

std::vector<Cookie> lasting(const std::vector<Cookie>& cookies) {
    std::vector<Cookie> kept;
    for (const Cookie& cookie : cookies) {
        if (cookie.expires) kept.push_back(cookie);
    }
    return kept;
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto end = text.find('\n');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

// The first line is the address that answered, each further line one Set-Cookie field.
void setCookies(std::string_view text, const std::filesystem::path& file) {
    const auto fields = lines(text);
    if (fields.empty()) return;
    const auto origin = WebAddress::parse(fields.front());
    if (!origin) return;
    CookieJar jar(file);
    for (std::size_t index = 1; index < fields.size(); ++index) {
        const Cookie::Parsed parsed = Cookie::fromSetCookie(fields[index], *origin, now);
        require(parsed.cookie.has_value() == parsed.refusal.empty());
        if (!parsed.cookie) continue;
        requireWithinOrigin(*parsed.cookie, *origin);
        jar.keep(*parsed.cookie, now);
    }
    require(CookieJar(file).cookies(now) == lasting(jar.cookies(now)));
}

// A record of the file as the jar would have to read it.
std::optional<Cookie> recordAsWritten(const Json& record) {
    try {
        const JsonReader reader(record);
        const std::int64_t expires = reader.int64("expires");
        // Beyond what the clock holds; the jar must not have read such a record.
        if (expires < -9'000'000'000 || expires > 9'000'000'000) return std::nullopt;
        return Cookie{reader.string("name"),    reader.string("value"),
                      reader.string("domain"),  reader.boolean("hostOnly"),
                      reader.string("path"),    Date(std::chrono::seconds(expires)),
                      reader.boolean("secure"), reader.boolean("httpOnly")};
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

void jarFile(std::string_view text, const std::filesystem::path& file) {
    std::ofstream(file, std::ios::binary) << text;
    const std::vector<Cookie> read = CookieJar(file).cookies(now);
    if (read.empty()) return;
    // Read whole: every record of the file that has not expired, in the file's order.
    const auto json = JsonReader::parse(text);
    require(json && json->is_object() && json->contains("cookies") && (*json)["cookies"].is_array());
    std::vector<Cookie> written;
    for (const Json& record : (*json)["cookies"]) {
        const auto cookie = recordAsWritten(record);
        require(cookie.has_value());
        if (!cookie->isExpired(now)) written.push_back(*cookie);
    }
    require(read == written);
    for (const Cookie& cookie : read) requireShape(cookie);

    // Written back, the jar reads the same.
    CookieJar jar(file);
    Cookie probe{"probe", "1", "tarvo.test", true, "/", now + std::chrono::hours(1), false, false};
    jar.keep(probe, now);
    std::erase_if(written, [&probe](const Cookie& cookie) {
        return cookie.name == probe.name && cookie.domain == probe.domain && cookie.path == probe.path;
    });
    written.push_back(probe);
    require(CookieJar(file).cookies(now) == written);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    fuzz::clearWorkFolder();
    const auto file = fuzz::workFolder() / "panel" / "cookies.json";
    std::filesystem::create_directories(file.parent_path());
    const auto text = fuzz::text(data + 1, size - 1);
    if (data[0] % 2 == 0) {
        setCookies(text, file);
    } else {
        jarFile(text, file);
    }
    return 0;
}
