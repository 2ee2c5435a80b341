#include <gtest/gtest.h>

#include "TarvoBase/Base64.h"

using tarvo::Base64;

TEST(Base64, EncodesWithPaddingAndUrlSafeWithout) {
    struct Case {
        std::string bytes;
        const char* standard;
        const char* url;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"", "", ""},
             {"f", "Zg==", "Zg"},
             {"fo", "Zm8=", "Zm8"},
             {"foo", "Zm9v", "Zm9v"},
             {"foob", "Zm9vYg==", "Zm9vYg"},
             {std::string("\xfb\xff\xbf", 3), "+/+/", "-_-_"},
         }) {
        EXPECT_EQ(Base64::encode(c.bytes), c.standard);
        EXPECT_EQ(Base64::encodeUrl(c.bytes), c.url);
        EXPECT_EQ(Base64::decode(c.standard), c.bytes);
    }
}

TEST(Base64, DecoderHasNoTolerance) {
    for (const char* text : {"Zm9v\n", "Zm9v YmFy", "Zm9\nv", "Zg", "Zg=", "Zg===", "=Zg=", "Zm=v", "Z===",
                             "====", "Zm9v-_-_", "Zm9v!A==", "Zm9vYg==Zm9v"}) {
        EXPECT_EQ(Base64::decode(text), std::nullopt) << text;
    }
    EXPECT_EQ(Base64::decode(std::string("Zm9v\0", 5)), std::nullopt);
}

TEST(Base64, UrlSafeTextBecomesStandardWithPadding) {
    EXPECT_EQ(Base64::standardFromUrl("-_-_"), "+/+/");
    EXPECT_EQ(Base64::standardFromUrl("Zg"), "Zg==");
    EXPECT_EQ(Base64::standardFromUrl("Zm8"), "Zm8=");
    EXPECT_EQ(Base64::standardFromUrl("Zm9v"), "Zm9v");
    EXPECT_EQ(Base64::decode(Base64::standardFromUrl("eyJleHAiOjE3MDAwMDAwMDB9")), R"({"exp":1700000000})");
    // One character over a group cannot be Base64 whatever the padding.
    EXPECT_EQ(Base64::decode(Base64::standardFromUrl("Zm9vY")), std::nullopt);
}
