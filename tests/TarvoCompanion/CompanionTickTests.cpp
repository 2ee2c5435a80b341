#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CompanionTest.h"
#include "Support/CapturedPlainLog.h"
#include "TarvoBase/Spawn.h"

using namespace std::chrono_literals;
using tarvo::Companion;
using tarvo::spawn;
using tarvo::WhatsAppSession;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::CompanionTest;
using SessionState = tarvo::WhatsAppWeb::SessionState;
using Steps = std::vector<std::string>;

namespace {

const std::string askedDuringTick = "tarvo: tick asked for while one is still running — it will run next";

long count(const Steps& steps, const std::string& step) { return std::count(steps.begin(), steps.end(), step); }

} // namespace

TEST_F(CompanionTest, RequestsDuringATickOweExactlyOneMoreAndARequestDuringThatOneAnother) {
    script->takes["heartbeat"] = 10s;
    auto companion = makeCompanion();
    CapturedPlainLog log;

    spawn(companion->requestTick());
    settle();
    for (int i = 0; i < 3; ++i) spawn(companion->requestTick());
    runFor(15s);
    spawn(companion->requestTick());
    runFor(30s);

    EXPECT_EQ(script->steps, (Steps{"0 heartbeat", "10 relay", "10 capture", "10 whatsapp",   //
                                    "10 heartbeat", "20 relay", "20 capture", "20 whatsapp",  //
                                    "20 heartbeat", "30 relay", "30 capture", "30 whatsapp"}));
    EXPECT_EQ(log.lines(), Steps(4, askedDuringTick));
}

TEST_F(CompanionTest, AFailingStepIsLoggedAndNeitherEndsTheTickNorLeavesAGuardShut) {
    script->failing = {"relay", "capture"};
    auto companion = makeCompanion();
    CapturedPlainLog log;

    for (int i = 0; i < 2; ++i) {
        spawn(companion->requestTick());
        settle();
    }

    EXPECT_EQ(script->steps, (Steps{"0 heartbeat", "0 relay", "0 capture", "0 whatsapp",  //
                                    "0 heartbeat", "0 relay", "0 capture", "0 whatsapp"}));
    const Steps failures{"tarvo: the relay runner failed during the tick — disk on fire",
                         "tarvo: the Messages capture failed during the tick — disk on fire"};
    EXPECT_EQ(log.lines(), (Steps{failures[0], failures[1], failures[0], failures[1]}));
}

TEST_F(CompanionTest, ALiveTurnDuringATickRunsOnceTheTickEnds) {
    defaults->set("chan-imessage", "TarvoImessageChannelId");
    script->client = someClient();
    script->takes["heartbeat"] = 7s;
    script->takes["live chan-imessage"] = 4s;
    auto companion = makeCompanion(readableDatabase());
    CapturedPlainLog log;

    companion->launch();
    runFor(12s);
    spawn(companion->requestTick());
    runFor(12s);

    // The live fire at 5 s runs once the first tick ends; the one at 10 s, during that live pass,
    // once the next tick ends.
    EXPECT_EQ(stepsWithout("relay"), (Steps{"0 heartbeat", "7 capture", "7 whatsapp", "7 live chan-imessage",
                                            "12 heartbeat", "19 capture", "19 whatsapp", "19 live chan-imessage"}));
    EXPECT_EQ(log.lines(), Steps{});
}

TEST_F(CompanionTest, NeitherTheRelayTimerNorTheTickStartsASecondRelayRun) {
    script->takes["relay"] = 10s;
    auto companion = makeCompanion();

    companion->launch();
    runFor(35s);

    // The tick's own run covers the fires at 3, 6 and 9 s; the timer's run from 24 s makes the
    // tick at 30 s go straight from its heartbeat to the capture.
    EXPECT_EQ(script->steps, (Steps{"0 heartbeat", "0 relay", "10 capture", "10 whatsapp", "12 relay", "24 relay",
                                    "30 heartbeat", "30 capture", "30 whatsapp"}));
}

TEST_F(CompanionTest, ATickRefreshesPermissionsAndChoosesChannelsBeforeItsHeartbeatRelayAndCaptures) {
    whatsapp->settle(SessionState::linked());
    auto companion = makeCompanion(readableDatabase());

    spawn(companion->requestTick());
    settle();

    EXPECT_EQ(script->steps, (Steps{"0 heartbeat", "0 relay", "0 capture", "0 whatsapp"}));
    EXPECT_EQ(script->channelsAtHeartbeat, (Steps{"imessage", "sms", "whatsapp"}));
}

TEST_F(CompanionTest, TheChannelsFollowTheSettledStateTheStoredLatchAndTheMessagesDatabase) {
    const std::string fullDiskAccess =
        "Tarvo needs Full Disk Access to read Messages. System Settings → Privacy & Security → Full Disk Access.";
    struct Case {
        std::optional<SessionState> settled;
        bool hosts;
        bool offered;
        std::optional<std::string> line;
        std::string reason;
    };
    const std::string seen = "title=Log in — Scan me";
    const Case cases[] = {
        {SessionState::linked(), false, true, std::nullopt, ""},
        {SessionState::linked(), true, true, std::nullopt, ""},
        {std::nullopt, true, true,
         "tarvo: whatsapp web is still loading — advertising it anyway, because this Mac hosts a linked session and a "
         "heartbeat that omitted it would suspend the channel",
         ""},
        {std::nullopt, false, false, std::nullopt, "the page is still loading"},
        {SessionState::syncing(), true, true,
         "tarvo: whatsapp web is downloading this account's messages — advertising it anyway. A sync is not an "
         "unlinked phone, and omitting the channel here is what dropped it out of the heartbeat until relaunch.",
         ""},
        {SessionState::syncing(), false, false, std::nullopt,
         "WhatsApp Web is still downloading this account's messages"},
        {SessionState::unrecognised(seen), true, true,
         "tarvo: whatsapp web is not readable — advertising it anyway, because this Mac hosts a linked session and an "
         "unreadable page is not evidence a phone was unlinked. Last seen: " +
             seen,
         ""},
        {SessionState::unrecognised(seen), false, false, std::nullopt, seen},
        {SessionState::needsLink(), true, false, std::nullopt,
         "WhatsApp Web is showing its QR code, so the phone is not linked"},
        {SessionState::needsLink(), false, false, std::nullopt,
         "WhatsApp Web is showing its QR code, so the phone is not linked"},
    };
    const std::filesystem::path readable = readableDatabase();
    for (const auto& c : cases) {
        for (const bool messagesReadable : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "case " << (&c - cases) << (messagesReadable ? ", readable" : ""));
            defaults->set(c.hosts, WhatsAppSession::hostsSessionKey);
            whatsapp->settle(c.settled);
            auto companion = makeCompanion(messagesReadable ? std::optional(readable) : std::nullopt);
            CapturedPlainLog log;

            spawn(companion->requestTick());
            settle();

            Steps channels = messagesReadable ? Steps{"imessage", "sms"} : Steps{};
            if (c.offered) channels.push_back("whatsapp");
            std::optional<std::string> blocked;
            if (!messagesReadable) {
                blocked = fullDiskAccess;
            } else if (!c.offered) {
                blocked = "WhatsApp is not being offered by this Mac: " + c.reason +
                          ". Everything else on this Mac is unaffected.";
            }
            EXPECT_EQ(companion->state().enabledChannels, channels);
            EXPECT_EQ(companion->state().blockedReason, blocked);
            EXPECT_EQ(log.lines(), c.line ? Steps{*c.line} : Steps{});
            EXPECT_EQ(companion->whatsappLinked(), c.settled == SessionState::linked());
        }
    }
}

TEST_F(CompanionTest, WhatsAppOnceSeenLinkedStaysLinked) {
    whatsapp->settle(SessionState::linked());
    auto companion = makeCompanion();
    spawn(companion->requestTick());
    settle();
    whatsapp->settle(SessionState::needsLink());
    spawn(companion->requestTick());
    settle();

    EXPECT_TRUE(companion->whatsappLinked());
    EXPECT_EQ(companion->state().enabledChannels, Steps{});
}

TEST_F(CompanionTest, TheLivePassRunsOnlyWithReadableMessagesAClientAndAnIMessageChannel) {
    struct Case {
        bool readable;
        bool client;
        std::optional<std::string> channel;
        bool runs;
    };
    const Case cases[] = {
        {true, true, "chan-1", true},   {false, true, "chan-1", false}, {true, false, "chan-1", false},
        {true, true, std::nullopt, false}, {true, true, "", false},
    };
    const std::filesystem::path readable = readableDatabase();
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
        script->steps.clear();
        script->liveClient = nullptr;
        script->client = c.client ? someClient() : nullptr;
        defaults->set(c.channel ? std::optional<tarvo::Json>(*c.channel) : std::nullopt, "TarvoImessageChannelId");
        auto companion = makeCompanion(c.readable ? std::optional(readable) : std::nullopt);

        companion->launch();
        runFor(5s);
        companion->stopTimers();

        EXPECT_EQ(count(script->steps, "5 live " + c.channel.value_or("")), c.runs ? 1 : 0);
        EXPECT_EQ(script->liveClient, c.runs ? script->client : nullptr);
    }
}

TEST_F(CompanionTest, StartingAgainReplacesTheTimersInsteadOfAddingToThem) {
    auto companion = makeCompanion();
    companion->launch();
    settle();
    companion->start();
    runFor(31s);

    EXPECT_EQ(count(script->steps, "3 relay"), 1);
    EXPECT_EQ(count(script->steps, "30 heartbeat"), 1);
}

TEST_F(CompanionTest, StartWiresSleepWakeThePageAndTheOperatorLink) {
    script->client = someClient();
    script->takes["heartbeat"] = 10s;
    auto companion = makeCompanion();
    CapturedPlainLog log;

    companion->launch();
    runFor(2s);
    permissions->sleep();
    runFor(1s);
    permissions->wake();
    runFor(20s);

    EXPECT_TRUE(permissions->isReading());
    EXPECT_EQ(whatsapp->settleWaits(), 1);
    EXPECT_EQ(link->loopsStarted(), 1);
    EXPECT_EQ(link->client(), script->client);
    EXPECT_FALSE(link->signedIn());
    // The heartbeat before sleep does not wait for the running tick; the tick asked for on wake
    // does, and runs next.
    EXPECT_EQ(stepsWithout("relay"), (Steps{"0 heartbeat", "2 heartbeat", "10 capture", "10 whatsapp",
                                            "10 heartbeat", "20 capture", "20 whatsapp"}));
    EXPECT_EQ(log.lines(), Steps{askedDuringTick});
}

TEST_F(CompanionTest, OnceTheCompanionIsGoneItsTimersHooksAndLinkDoNothing) {
    script->client = someClient();
    auto companion = makeCompanion();
    companion->launch();
    settle();
    const std::weak_ptr<Companion> weak = companion;
    script->steps.clear();

    companion.reset();
    EXPECT_TRUE(weak.expired());
    runFor(60s);
    permissions->sleep();
    permissions->wake();
    settle();

    EXPECT_EQ(script->steps, Steps{});
    EXPECT_EQ(link->client(), nullptr);
    EXPECT_FALSE(link->signedIn());
}

TEST_F(CompanionTest, TheProgramEndingWhileATickWaitsOnAWorkerRunsNothingMoreAndLeaksNothing) {
    std::weak_ptr<Companion> weak;
    {
        auto ending = std::make_unique<tarvo::RunLoop>(clock);
        // Every worker busy, so the tick's reading of the database waits in the queue.
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        for (std::size_t i = 0; i < tarvo::RunLoop::workerThreads; ++i) {
            ending->workers().submit([released] { released.wait(); });
        }
        auto companion = makeCompanion(readableDatabase());
        weak = companion;
        companion->launch();
        ending->runReady();
        ASSERT_EQ(script->steps, Steps{});

        companion.reset();
        EXPECT_FALSE(weak.expired());
        release.set_value();
        ending.reset();
    }
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(script->steps, Steps{});
}
