#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "TarvoCore/Panel/Cookie.h"

using tarvo::Cookie;
using tarvo::WebAddress;

TEST(Cookie, ACookieForAnotherDomainIsRefused) {
    struct Case {
        std::string origin;
        std::string domainAttribute;
        // The domain the cookie is kept for, or nothing when it is refused.
        std::optional<std::string> keptFor;
        bool hostOnly = false;
    };
    const Case cases[] = {
        {"https://app.tarvo.example/api/auth/companion", "", "app.tarvo.example", true},
        {"https://App.Tarvo.example/api/auth/companion", "", "app.tarvo.example", true},
        {"https://app.tarvo.example/api/auth/companion", "tarvo.example", "tarvo.example"},
        {"https://app.tarvo.example/api/auth/companion", ".Tarvo.Example", "tarvo.example"},
        {"https://app.tarvo.example/api/auth/companion", "app.tarvo.example", "app.tarvo.example"},
        {"https://app.tarvo.example/api/auth/companion", "other.example", std::nullopt},
        {"https://app.tarvo.example/api/auth/companion", "pp.tarvo.example", std::nullopt},
        {"https://app.tarvo.example/api/auth/companion", "deep.app.tarvo.example", std::nullopt},
        {"https://app.tarvo.example/api/auth/companion", "example", std::nullopt},
        {"https://localhost:8080/api/auth/companion", "localhost", "localhost"},
        {"http://127.0.0.1:8080/api/auth/companion", "127.0.0.1", "127.0.0.1"},
        {"http://127.0.0.1:8080/api/auth/companion", "0.0.1", std::nullopt},
        {"http://127.0.0.1:8080/api/auth/companion", "", "127.0.0.1", true},
    };
    const auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 54));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.origin + " Domain=" + c.domainAttribute);
        std::string field = "s=1; Path=/";
        if (!c.domainAttribute.empty()) field += "; Domain=" + c.domainAttribute;
        const Cookie::Parsed parsed = Cookie::fromSetCookie(field, *WebAddress::parse(c.origin), now);
        if (!c.keptFor) {
            EXPECT_EQ(parsed.cookie, std::nullopt);
            EXPECT_NE(parsed.refusal.find("is not this site's"), std::string::npos) << parsed.refusal;
            continue;
        }
        ASSERT_TRUE(parsed.cookie) << parsed.refusal;
        EXPECT_EQ(parsed.cookie->domain, *c.keptFor);
        EXPECT_EQ(parsed.cookie->hostOnly, c.hostOnly);
    }
}

TEST(Cookie, MaxAgeDecidesTheLifetimeOverExpiresWhereverEachStands) {
    using namespace std::chrono_literals;
    const auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 54));
    const std::string past = "Expires=Thu, 01 Jan 1970 00:00:00 GMT";
    const std::string future = "Expires=Wed, 09 Jun 2100 10:18:14 GMT";
    const auto futureDate = std::chrono::sys_days(std::chrono::year(2100) / 6 / 9) + 10h + 18min + 14s;
    struct Case {
        std::string attributes;
        // When the cookie lapses; nothing for one that lasts as long as the program runs.
        std::optional<Cookie::Date> expires;
        bool goneAtOnce = false;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {future, futureDate},
        {"Max-Age=3600", now + 1h},
        {past + "; Max-Age=3600", now + 1h},
        {"Max-Age=3600; " + past, now + 1h},
        {future + "; Max-Age=0", std::nullopt, true},
        {"Max-Age=-1; " + future, std::nullopt, true},
        {future + "; Max-Age=soon", futureDate},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        const Cookie::Parsed parsed = Cookie::fromSetCookie(
            "s=1; Path=/; " + c.attributes, *WebAddress::parse("https://app.tarvo.example/api/auth/companion"), now);
        ASSERT_TRUE(parsed.cookie) << parsed.refusal;
        if (c.goneAtOnce) {
            EXPECT_TRUE(parsed.cookie->isExpired(now));
        } else {
            EXPECT_EQ(parsed.cookie->expires, c.expires);
        }
    }
}
