#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "Support/AccessTokens.h"
#include "TarvoBase/Base64.h"
#include "TarvoClient/AccessTokenExpiry.h"

using tarvo::accessTokenExpiry;
using tarvo::accessTokenIsUsable;
using tarvo::Base64;
using tarvo::testing::accessTokenExpiringAt;
using tarvo::testing::accessTokenWithPayload;
using Date = std::chrono::system_clock::time_point;

namespace {

Date at(double seconds) {
    return Date(std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(seconds)));
}

// A token whose payload is exactly `payload` as written, not encoded by us.
std::string tokenWithRawPayload(const std::string& payload) {
    return "eyJhbGciOiJIUzI1NiJ9." + payload + ".c2ln";
}

} // namespace

TEST(AccessTokenExpiry, ReadsOnlyAWellFormedNumericExpInTheClocksRange) {
    const std::string exp = R"({"exp":1700000000})";
    const std::string unpadded = Base64::encodeUrl(exp);
    ASSERT_EQ(unpadded.size() % 4, 0u);
    ASSERT_EQ(Base64::encodeUrl(exp + " ").size() % 4, 2u);
    ASSERT_EQ(Base64::encodeUrl(exp + "  ").size() % 4, 3u);

    struct Case {
        const char* name;
        std::string token;
        std::optional<double> expiry;
    };
    const Case cases[] = {
        {"whole seconds", accessTokenWithPayload(exp), 1700000000},
        {"fractional seconds", accessTokenWithPayload(R"({"exp":1700000000.25})"), 1700000000.25},
        {"two fill characters added", accessTokenWithPayload(exp + " "), 1700000000},
        {"one fill character added", accessTokenWithPayload(exp + "  "), 1700000000},
        {"already padded", tokenWithRawPayload(Base64::encode(exp + " ")), 1700000000},
        {"URL-safe alphabet", accessTokenWithPayload(R"({"exp":1700000000,"n":"??>>"})"), 1700000000},
        {"the epoch", accessTokenWithPayload(R"({"exp":0})"), 0},
        {"the last instant accepted", accessTokenWithPayload(R"({"exp":4102444800})"), 4102444800},
        {"empty signature", Base64::encodeUrl("{}") + "." + unpadded + ".", 1700000000},

        {"two parts", "a." + unpadded, std::nullopt},
        {"four parts", "a." + unpadded + ".b.c", std::nullopt},
        {"no dots", unpadded, std::nullopt},
        {"empty middle part", "a..c", std::nullopt},
        {"empty token", "", std::nullopt},
        {"length leaving a remainder of one", tokenWithRawPayload(unpadded + "A"), std::nullopt},
        {"stray character", tokenWithRawPayload(unpadded.substr(0, 8) + "*" + unpadded.substr(9)), std::nullopt},
        {"line break", tokenWithRawPayload(unpadded.substr(0, 8) + "\n" + unpadded.substr(8)), std::nullopt},
        {"not JSON", accessTokenWithPayload("exp=1700000000"), std::nullopt},
        {"JSON array", accessTokenWithPayload("[1700000000]"), std::nullopt},
        {"empty object", accessTokenWithPayload("{}"), std::nullopt},
        {"no exp", accessTokenWithPayload(R"({"iat":1700000000})"), std::nullopt},
        {"exp null", accessTokenWithPayload(R"({"exp":null})"), std::nullopt},
        {"exp as text", accessTokenWithPayload(R"({"exp":"1700000000"})"), std::nullopt},
        {"exp true", accessTokenWithPayload(R"({"exp":true})"), std::nullopt},
        {"invalid UTF-8", accessTokenWithPayload("{\"exp\":1700000000,\"n\":\"\xff\"}"), std::nullopt},

        {"negative", accessTokenWithPayload(R"({"exp":-1})"), std::nullopt},
        {"just past the last instant", accessTokenWithPayload(R"({"exp":4102444800.5})"), std::nullopt},
        {"past the clock's range", accessTokenWithPayload(R"({"exp":9223372036.854775807})"), std::nullopt},
        {"huge", accessTokenWithPayload(R"({"exp":1e300})"), std::nullopt},
        {"hugely negative", accessTokenWithPayload(R"({"exp":-1e300})"), std::nullopt},
        {"beyond a double", accessTokenWithPayload(R"({"exp":1e400})"), std::nullopt},
        {"largest unsigned integer", accessTokenWithPayload(R"({"exp":18446744073709551615})"), std::nullopt},
        {"NaN spelled out", accessTokenWithPayload(R"({"exp":NaN})"), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto expiry = accessTokenExpiry(c.token);
        if (c.expiry) {
            ASSERT_TRUE(expiry.has_value());
            EXPECT_EQ(*expiry, at(*c.expiry));
        } else {
            EXPECT_FALSE(expiry.has_value());
        }
    }
}

TEST(AccessTokenExpiry, IsUsableOnlyWithMoreThanTheMarginLeft) {
    const double now = 1700000000;
    const auto margin = std::chrono::duration<double>(60.0);
    struct Case {
        const char* name;
        std::string token;
        Date now;
        bool usable;
    };
    const Case cases[] = {
        {"an hour left", accessTokenExpiringAt(now + 3600), at(now), true},
        {"60.001 seconds left", accessTokenExpiringAt(now + 60.001), at(now), true},
        {"exactly 60 seconds left", accessTokenExpiringAt(now + 60), at(now), false},
        {"30 seconds left", accessTokenExpiringAt(now + 30), at(now), false},
        {"expired", accessTokenExpiringAt(now - 5), at(now), false},
        {"no expiry", accessTokenWithPayload("{}"), at(now), false},
        {"not a token", "access-1", at(now), false},
        {"the earliest now the clock holds", accessTokenExpiringAt(now), Date::min(), true},
        {"the latest now the clock holds", accessTokenExpiringAt(now), Date::max(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(accessTokenIsUsable(c.token, margin, c.now), c.usable);
    }
    EXPECT_TRUE(accessTokenIsUsable(accessTokenExpiringAt(now + 1), std::chrono::duration<double>(0), at(now)));
    EXPECT_FALSE(accessTokenIsUsable(accessTokenExpiringAt(now), std::chrono::duration<double>(0), at(now)));
}
