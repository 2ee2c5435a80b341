#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "TarvoCore/Panel/Cookie.h"

namespace tarvo {

// The panel's cookies, as a browser keeps them: a new cookie replaces the one of the same name,
// domain and path, and an expired one removes it. Cookies with an expiry are kept in a file,
// which is replaced whole on every change; cookies without one end with the program. Lives on
// the main loop.
class CookieJar {
public:
    // Keeps its cookies in memory only.
    CookieJar() = default;
    // Starts with the cookies kept in `file`: none when there is no such file, and none, logged,
    // when it cannot be read.
    explicit CookieJar(std::filesystem::path file);

    // Throws std::system_error when the file cannot be written; the jar holds the cookie anyway.
    void keep(Cookie cookie, Cookie::Date now);

    // The cookies that have not expired by `now`.
    std::vector<Cookie> cookies(Cookie::Date now) const;

private:
    void load();
    void save(Cookie::Date now) const;

    std::optional<std::filesystem::path> file_;
    std::vector<Cookie> cookies_;
};

} // namespace tarvo
