#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"
#include "TarvoCore/Panel/Cookie.h"
#include "TarvoCore/Panel/CookieJar.h"

using tarvo::Cookie;
using tarvo::CookieJar;
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

TEST(Cookie, AnExpiryBeyondTheClockIsHeldToALifetime) {
    using namespace std::chrono;
    const auto now = Cookie::Date(seconds(1'700'000'000));
    const auto origin = *WebAddress::parse("https://app.tarvo.example/");
    // "For ever" as servers write it, and a date before the clock's first year.
    const Cookie::Parsed late = Cookie::fromSetCookie("s=1; Expires=Fri, 31 Dec 9999 23:59:59 GMT", origin, now);
    const Cookie::Parsed early = Cookie::fromSetCookie("s=1; Expires=Mon, 01 Jan 1601 00:00:00 GMT", origin, now);
    ASSERT_TRUE(late.cookie && early.cookie);
    const auto lifetime = seconds(std::int64_t{100} * 366 * 24 * 3600);
    EXPECT_EQ(late.cookie->expires, now + lifetime);
    EXPECT_EQ(early.cookie->expires, now - lifetime);
}

TEST(Cookie, WhatThePanelCannotKeepIsRefused) {
    const auto now = std::chrono::system_clock::time_point(std::chrono::hours(24 * 365 * 54));
    const struct {
        std::string origin;
        std::string field;
    } cases[] = {
        {"https://app.tarvo.example/", "s=caf\xE9; Max-Age=60"},
        {"https://app.tarvo.example/", "caf\xE9=1"},
        {"https://app.tarvo.example/%FF/page", "s=1"},
        {"https://app.tarvo.example/", "s=1; Path=/\xFF"},
        {"file:///home/user/page.html", "s=1"},
    };
    for (const auto& c : cases) {
        const Cookie::Parsed parsed = Cookie::fromSetCookie(c.field, *WebAddress::parse(c.origin), now);
        EXPECT_EQ(parsed.cookie, std::nullopt) << c.origin << " " << c.field;
        EXPECT_FALSE(parsed.refusal.empty());
    }
}

// A file the jar did not write is not read in part: a cookie taken from it as it stands could
// reach hosts or paths its answer never named.
TEST(CookieJar, AFileItDidNotWriteIsNotRead) {
    tarvo::testing::TemporaryFolder folder;
    const auto file = folder / "cookies.json";
    const auto record = [](const std::string& domain, const std::string& path, std::int64_t expires) {
        return tarvo::Json{{"name", "s"},     {"value", "1"},        {"domain", domain},  {"hostOnly", false},
                           {"path", path},    {"expires", expires},  {"secure", false},   {"httpOnly", false}};
    };
    const auto good = record("tarvo.example", "/", 1'900'000'000);
    const tarvo::Json damaged[] = {
        record("", "/", 1'900'000'000),
        record(".tarvo.example", "/", 1'900'000'000),
        record("Tarvo.Example", "/", 1'900'000'000),
        record("tarvo.example", "", 1'900'000'000),
        record("tarvo.example", "api", 1'900'000'000),
        record("tarvo.example", "/", 253'402'300'799),
    };
    const auto now = std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    tarvo::testing::CapturedPlainLog log;
    for (const auto& bad : damaged) {
        std::ofstream(file) << tarvo::Json{{"cookies", {good, bad}}}.dump();
        EXPECT_TRUE(CookieJar(file).cookies(now).empty()) << bad.dump();
    }
    std::ofstream(file) << tarvo::Json{{"cookies", {good}}}.dump();
    EXPECT_EQ(CookieJar(file).cookies(now).size(), 1u);
}
