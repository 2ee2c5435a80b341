#include <gtest/gtest.h>

#include <exception>
#include <optional>
#include <stdexcept>

#include "TarvoClient/BrainClientFailure.h"

using tarvo::BrainClientFailure;

TEST(BrainClientFailure, DescribesItselfAndTellsWhetherTheSessionIsGone) {
    struct Case {
        BrainClientFailure failure;
        std::string description;
        bool sessionGone;
    };
    const Case cases[] = {
        {BrainClientFailure::http(403, "forbidden", "Not allowed"), "403 forbidden: Not allowed", false},
        {BrainClientFailure::http(401, "invalid_token", "Token expired"), "401 invalid_token: Token expired", true},
        {BrainClientFailure::http(403, "reuse_detected", "x"), "403 reuse_detected: x", true},
        {BrainClientFailure::http(401, "expired", "x"), "401 expired: x", false},
        {BrainClientFailure::http(500, "Invalid_Token", "x"), "500 Invalid_Token: x", false},
        {BrainClientFailure::transport("timed out"), "Could not reach Tarvo: timed out", false},
        {BrainClientFailure::decoding("key 'a' not found"), "Tarvo sent something unexpected: key 'a' not found",
         false},
        {BrainClientFailure::notSignedIn(), "This Mac is not signed in to Tarvo.", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.failure.description(), c.description);
        EXPECT_STREQ(c.failure.what(), c.description.c_str());
        EXPECT_EQ(c.failure.isSessionGone(), c.sessionGone) << c.description;
    }
}

TEST(BrainClientFailure, IsFoundInAnErrorThatHoldsOne) {
    const auto failure = BrainClientFailure::http(503, "", "Service Unavailable");
    EXPECT_EQ(BrainClientFailure::held(std::make_exception_ptr(failure)), failure);
    EXPECT_EQ(BrainClientFailure::held(std::make_exception_ptr(std::runtime_error("disk full"))), std::nullopt);
    EXPECT_EQ(BrainClientFailure::held(nullptr), std::nullopt);
}
