#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

using namespace std::chrono_literals;
using tarvo::Point;
using tarvo::Rect;
using tarvo::Size;
using tarvo::WhatsAppWeb::describedType;
using tarvo::WhatsAppWeb::isParked;
using tarvo::WhatsAppWeb::outgoingMediaRefusal;
using tarvo::WhatsAppWeb::parkOrigin;
using tarvo::WhatsAppWeb::readSessionState;
using tarvo::WhatsAppWeb::SessionState;
using tarvo::WhatsAppWeb::shouldAdvertise;
using tarvo::WhatsAppWeb::shouldRenavigate;

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

TEST(WhatsAppWeb, AFileOverSixteenMebibytesIsRefusedWithItsSizeRoundedUpAndItsType) {
    EXPECT_EQ(outgoingMediaRefusal(16777216, "video/mp4"), std::nullopt);
    EXPECT_EQ(outgoingMediaRefusal(20971520, " video/mp4\t; codecs=\"avc1.42E01E, mp4a.40.2\""),
              "Tarvo cannot put a 20 MB video/mp4 into WhatsApp from this Mac — the limit is 16 MB — so nothing was "
              "sent. Send it in WhatsApp directly, or reply without the file.");
    EXPECT_EQ(outgoingMediaRefusal(20971521, "video/mp4; codecs=avc1"),
              "Tarvo cannot put a 21 MB video/mp4 into WhatsApp from this Mac — the limit is 16 MB — so nothing was "
              "sent. Send it in WhatsApp directly, or reply without the file.");
    // One byte over must not read as the limit itself.
    EXPECT_EQ(outgoingMediaRefusal(16777217, ""),
              "Tarvo cannot put a 17 MB file into WhatsApp from this Mac — the limit is 16 MB — so nothing was sent. "
              "Send it in WhatsApp directly, or reply without the file.");
}

TEST(WhatsAppWeb, ATypeWithNothingBeforeItsParametersIsAFile) {
    for (const std::string type : {"", ";x", ";charset=utf-8", " \t ;x"}) EXPECT_EQ(describedType(type), "file") << type;
    EXPECT_EQ(describedType("image/png"), "image/png");
    EXPECT_EQ(describedType(" image/png ; q=1"), "image/png");
}

TEST(WhatsAppWeb, OnlyAPageThatNeverBecameWhatsAppIsLoadedAgainAndOnlyAfterThreeMinutes) {
    const SessionState unreadable = SessionState::unrecognised("title=(none) — ");
    EXPECT_TRUE(shouldRenavigate(unreadable, 180.0s));
    EXPECT_TRUE(shouldRenavigate(unreadable, 3600.0s));
    EXPECT_FALSE(shouldRenavigate(unreadable, 179.9s));
    for (const SessionState& settled : {SessionState::needsLink(), SessionState::linked(), SessionState::syncing()})
        EXPECT_FALSE(shouldRenavigate(settled, 100000.0s)) << static_cast<int>(settled.kind());
}

TEST(WhatsAppWeb, TheParkedWindowLiesBeyondTheSmallestXAndYOfAllScreens) {
    const std::vector<Rect> screens = {{{0, 0}, {1440, 900}}, {{-1920, 200}, {1920, 1080}}};
    const Size window{1100, 800};
    const Point parked = parkOrigin(screens, window);
    EXPECT_EQ(parked, (Point{-4020, -1800}));
    EXPECT_TRUE(isParked(parked, window, screens));
    EXPECT_EQ(parkOrigin({}, window), (Point{-6100, -5800}));
    EXPECT_TRUE(isParked({100, 100}, window, {}));
}

TEST(WhatsAppWeb, AWindowSharingAnyAreaWithAScreenIsNotParked) {
    const std::vector<Rect> screens = {{{0, 0}, {1440, 900}}, {{1440, 0}, {1920, 1080}}};
    const Size window{1100, 800};
    EXPECT_FALSE(isParked({100, 100}, window, screens));
    EXPECT_FALSE(isParked({3300, 1000}, window, screens)) << "one point into the second screen";
    EXPECT_TRUE(isParked({-1100, 0}, window, screens)) << "touching the left edge only";
    EXPECT_TRUE(isParked({0, 1080}, window, screens)) << "touching the top edge only";
}

TEST(WhatsAppWeb, TheProbesAnswerReadsAsAState) {
    const std::string unreadable = "the page returned nothing this build could read";
    const std::string evicted = "WhatsApp Web is open somewhere else — it allows one web session at a time. Close "
                                "WhatsApp in your browser and Tarvo takes it back.";
    const std::pair<std::string, SessionState> cases[] = {
        {R"({"state":"linked"})", SessionState::linked()},
        {R"({"state":"needsLink"})", SessionState::needsLink()},
        {R"({"state":"syncing"})", SessionState::syncing()},
        {R"({"state":"syncing","reclaimed":true})", SessionState::syncing()},
        {R"({"state":"evicted","title":"WhatsApp","sample":"Use here"})", SessionState::unrecognised(evicted)},
        {R"({"state":"unrecognised"})", SessionState::unrecognised("title=(none) — ")},
        {R"({"state":"unrecognised","title":"","sample":7})", SessionState::unrecognised("title=(none) — ")},
        {R"({"state":"unrecognised","title":"Oops","sample":"Try again"})",
         SessionState::unrecognised("title=Oops — Try again")},
        {R"({"state":"elsewhere","title":"T"})", SessionState::unrecognised("title=T — ")},
        {"", SessionState::unrecognised(unreadable)},
        {"not json", SessionState::unrecognised(unreadable)},
        {R"(["linked"])", SessionState::unrecognised(unreadable)},
        {R"({"state":1})", SessionState::unrecognised(unreadable)},
        {"{\"state\":\"link\xff" "ed\"}", SessionState::unrecognised(unreadable)},
    };
    for (const auto& [answer, state] : cases) EXPECT_EQ(readSessionState(answer), state) << answer;
}
