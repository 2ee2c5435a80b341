#include <gtest/gtest.h>

#include <string>

#include "TarvoBase/Text.h"
#include "TarvoCore/Companion/CompanionState.h"

using namespace std::chrono_literals;
using tarvo::CompanionState;
using SignIn = CompanionState::SignIn;

namespace {

CompanionState signedInReading(std::vector<std::string> channels = {"imessage"}) {
    CompanionState state;
    state.signIn = SignIn::signedIn("ada@example.com");
    state.canReadMessages = true;
    state.enabledChannels = std::move(channels);
    return state;
}

} // namespace

TEST(CompanionState, AdvertisableChannelsNeedSignInAndEachItsOwnReadiness) {
    auto state = signedInReading({"whatsapp", "imessage", "sms"});
    EXPECT_EQ(state.advertisableChannels(), (std::vector<std::string>{"whatsapp", "imessage", "sms"}));
    state.canReadMessages = false;
    EXPECT_EQ(state.advertisableChannels(), std::vector<std::string>{"whatsapp"});
    state.enabledChannels = {"imessage", "sms"};
    EXPECT_TRUE(state.advertisableChannels().empty());
    state = signedInReading();
    state.signIn = SignIn::signedOut();
    EXPECT_TRUE(state.advertisableChannels().empty());
}

TEST(CompanionState, HeartbeatBlockedReasonIsCutToWholeCharactersWithinTheLimit) {
    const std::string exactly200(200, 'a');
    const std::string emoji = "\U0001F600";  // two UTF-16 units
    struct Case {
        std::optional<std::string> blocked;
        std::optional<std::string> chatDb;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {std::nullopt, std::nullopt, std::nullopt},
        {exactly200, std::nullopt, exactly200},
        {exactly200 + "b", std::nullopt, exactly200},
        {std::string(199, 'a') + emoji + "tail", std::nullopt, std::string(199, 'a')},
        {std::nullopt, exactly200 + "xyz", exactly200},
        {"Sign in again.", "Full Disk Access is off.", "Sign in again."},
    };
    for (const auto& c : cases) {
        CompanionState state;
        state.blockedReason = c.blocked;
        state.chatDbBlockedReason = c.chatDb;
        EXPECT_EQ(state.heartbeatBlockedReason(), c.expected);
    }
    CompanionState straddling;
    straddling.blockedReason = std::string(199, 'a') + emoji;
    EXPECT_EQ(tarvo::Text::utf16Length(*straddling.heartbeatBlockedReason()), 199u);
}

TEST(CompanionState, UnconnectedChannelWarningNamesEveryKind) {
    const std::string tail = " not connected on your account yet, so the messages this Mac reads have nowhere to go. Connect ";
    struct Case {
        std::vector<std::string> kinds;
        std::string expected;
    };
    const Case cases[] = {
        {{"imessage"}, "iMessage is" + tail + "it in Settings."},
        {{"imessage", "sms"}, "iMessage and SMS are" + tail + "them in Settings."},
        {{"imessage", "sms", "whatsapp"}, "iMessage, SMS and WhatsApp are" + tail + "them in Settings."},
        {{"telegram"}, "telegram is" + tail + "it in Settings."},
    };
    for (const auto& c : cases) {
        auto state = signedInReading();
        state.unconnectedChannels = c.kinds;
        EXPECT_EQ(state.unconnectedChannelWarning(), c.expected);
    }
    auto none = signedInReading();
    EXPECT_EQ(none.unconnectedChannelWarning(), std::nullopt);
    none.unconnectedChannels = {"sms"};
    none.signIn = SignIn::signedOut();
    EXPECT_EQ(none.unconnectedChannelWarning(), std::nullopt);
}

TEST(CompanionState, SummaryTakesTheFirstRuleThatApplies) {
    const CompanionState::Date now = std::chrono::sys_days{std::chrono::year{2024} / 3 / 5};
    const std::string longReason = std::string(250, 'r');

    auto signedOut = signedInReading();
    signedOut.signIn = SignIn::signedOut();
    signedOut.blockedReason = "Blocked.";
    EXPECT_EQ(signedOut.summary(now), "Not signed in");

    auto blocked = signedInReading();
    blocked.blockedReason = longReason;
    blocked.chatDbBlockedReason = "Database.";
    EXPECT_EQ(blocked.summary(now), longReason) << "the summary shows the whole sentence";

    auto database = signedInReading();
    database.chatDbBlockedReason = "Database.";
    database.unconnectedChannels = {"sms"};
    EXPECT_EQ(database.summary(now), "Database.");

    auto unconnected = signedInReading();
    unconnected.unconnectedChannels = {"sms"};
    EXPECT_EQ(unconnected.summary(now), *unconnected.unconnectedChannelWarning());

    auto fresh = signedInReading();
    EXPECT_EQ(fresh.summary(now), "Signed in \u2014 no messages read yet");

    auto read = signedInReading();
    read.lastCaptureAt = now - 5min;
    EXPECT_EQ(read.summary(now), "Last read 5 minutes ago");
    read.lastCaptureAt = now - 26h;
    EXPECT_EQ(read.summary(now), "Last read 1 day ago");

    auto noChannels = signedInReading({});
    EXPECT_EQ(noChannels.summary(now), "No channels switched on");
    auto unreadable = signedInReading();
    unreadable.canReadMessages = false;
    EXPECT_EQ(unreadable.summary(now), "No channels switched on");
}

TEST(CompanionState, SignInEquality) {
    EXPECT_EQ(SignIn::signedOut(), SignIn::signedOut());
    EXPECT_EQ(SignIn::signedIn("a@b"), SignIn::signedIn("a@b"));
    EXPECT_NE(SignIn::signedIn("a@b"), SignIn::signedIn("c@d"));
    EXPECT_NE(SignIn::signedIn(""), SignIn::signedOut());
}
