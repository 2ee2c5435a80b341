#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "TarvoCore/Companion/AppNapHold.h"

using tarvo::AppNapHold;
using tarvo::CompanionState;

namespace {

struct PlatformCalls {
    std::vector<AppNapHold::Token> begun;
    std::vector<AppNapHold::Token> ended;

    AppNapHold makeHold() {
        return AppNapHold(
            [this](std::uint64_t options, const std::string& reason) {
                EXPECT_EQ(options, 0xEFFFFFu);
                EXPECT_EQ(reason, "Tarvo reads and relays your messages as they arrive");
                begun.push_back(std::make_shared<int>(static_cast<int>(begun.size())));
                return begun.back();
            },
            [this](const AppNapHold::Token& token) { ended.push_back(token); });
    }
};

} // namespace

TEST(AppNapHold, EveryTokenBegunIsEndedExactlyOnce) {
    PlatformCalls calls;
    {
        AppNapHold hold = calls.makeHold();
        hold.hold(false);
        EXPECT_TRUE(calls.begun.empty());
        hold.hold(true);
        hold.hold(true);
        EXPECT_TRUE(hold.isHeld());
        EXPECT_EQ(calls.begun.size(), 1u);
        hold.hold(false);
        hold.hold(false);
        EXPECT_FALSE(hold.isHeld());
        ASSERT_EQ(calls.ended.size(), 1u);
        EXPECT_EQ(calls.ended[0], calls.begun[0]);
        hold.hold(true);
    }
    ASSERT_EQ(calls.begun.size(), 2u);
    ASSERT_EQ(calls.ended.size(), 2u);
    EXPECT_EQ(calls.ended[1], calls.begun[1]) << "releasing a held hold ends its token";

    { AppNapHold released = calls.makeHold(); }
    EXPECT_EQ(calls.ended.size(), 2u);
}

TEST(AppNapHold, AnEndThatThrowsIsLoggedWhenTheHoldGoesAway) {
    tarvo::testing::CapturedPlainLog log;
    auto refuse = [](const AppNapHold::Token&) { throw std::runtime_error("no such activity"); };
    {
        AppNapHold hold(AppNapHold::Begin([](std::uint64_t, const std::string&) { return std::make_shared<int>(0); }),
                        refuse);
        hold.hold(true);
    }
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"tarvo: the activity hold could not be ended: no such activity"});
}

TEST(AppNapHold, WantedOnlyWhileSignedIn) {
    CompanionState state;
    EXPECT_FALSE(AppNapHold::wanted(state));
    state.signIn = CompanionState::SignIn::signedIn("ada@example.com");
    state.canReadMessages = false;
    state.blockedReason = "Blocked.";
    EXPECT_TRUE(AppNapHold::wanted(state));
}

TEST(AppNapHold, DefaultOperationsHoldAndRelease) {
    AppNapHold hold;
    hold.hold(true);
    EXPECT_TRUE(hold.isHeld());
    hold.hold(false);
    EXPECT_FALSE(hold.isHeld());
}
