#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

using tarvo::WhatsAppWeb::describedType;
using tarvo::WhatsAppWeb::outgoingMediaRefusal;
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

TEST(WhatsAppWeb, AFileOverSixteenMebibytesIsRefusedWithItsSizeAndType) {
    EXPECT_EQ(outgoingMediaRefusal(16777216, "video/mp4"), std::nullopt);
    EXPECT_EQ(outgoingMediaRefusal(20971520 + 1048575, " video/mp4\t; codecs=\"avc1.42E01E, mp4a.40.2\""),
              "Tarvo cannot put a 20 MB video/mp4 into WhatsApp from this Mac — the limit is 16 MB — so nothing was "
              "sent. Send it in WhatsApp directly, or reply without the file.");
    EXPECT_EQ(outgoingMediaRefusal(16777217, ""),
              "Tarvo cannot put a 16 MB file into WhatsApp from this Mac — the limit is 16 MB — so nothing was sent. "
              "Send it in WhatsApp directly, or reply without the file.");
}

TEST(WhatsAppWeb, ATypeWithNothingBeforeItsParametersIsAFile) {
    for (const std::string type : {"", ";charset=utf-8", " \t ;x"}) EXPECT_EQ(describedType(type), "file") << type;
    EXPECT_EQ(describedType("image/png"), "image/png");
}
