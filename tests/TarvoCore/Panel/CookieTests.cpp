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
