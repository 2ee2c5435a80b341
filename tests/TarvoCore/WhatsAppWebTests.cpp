#include <gtest/gtest.h>

#include <optional>

#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

using tarvo::WhatsAppWeb::SessionState;
using tarvo::WhatsAppWeb::shouldAdvertise;

TEST(WhatsAppWeb, OnlyALinkedPageOrTheLatchOfAHostedSessionIsAdvertised) {
    struct Case {
        std::optional<SessionState> settled;
        bool withLatch;
        bool withoutLatch;
    };
    const Case cases[] = {
        {SessionState::linked(), true, true},
        {SessionState::needsLink(), false, false},
        {SessionState::syncing(), true, false},
        {SessionState::unrecognised("title=(none) — "), true, false},
        {std::nullopt, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settled ? static_cast<int>(c.settled->kind()) : -1);
        EXPECT_EQ(shouldAdvertise(c.settled, true), c.withLatch);
        EXPECT_EQ(shouldAdvertise(c.settled, false), c.withoutLatch);
    }
}

TEST(WhatsAppWeb, UnrecognisedStatesAreEqualWhenTheirTextsAre) {
    EXPECT_EQ(SessionState::unrecognised("a"), SessionState::unrecognised("a"));
    EXPECT_NE(SessionState::unrecognised("a"), SessionState::unrecognised("b"));
    EXPECT_NE(SessionState::unrecognised(""), SessionState::needsLink());
}
