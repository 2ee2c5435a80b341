#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>
#include <vector>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCore/Operator/OperatorWakeSignal.h"
#include "TarvoCore/Operator/PollRace.h"

using namespace tarvo;
using namespace std::chrono_literals;

namespace {

struct LoopWithFakeClock {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RunLoop loop{clock};
    std::shared_ptr<OperatorWakeSignal> wake = OperatorWakeSignal::make();

    Clock::Duration elapsed() const { return clock->now().time_since_epoch(); }
    bool wait(OperatorWakeSignal::Seconds upTo) { return runUntilDone(loop, wake->wait(upTo)); }
    PollRace<int> race(Task<int> poll, OperatorWakeSignal::Seconds upTo) {
        return runUntilDone(loop, PollRace<int>::run(std::move(poll), wake, upTo));
    }
};

// A poll that answers after `delay`, noting when it did.
Task<int> poll(std::chrono::seconds delay, int answer, std::shared_ptr<bool> answered) {
    co_await sleepFor(delay);
    *answered = true;
    co_return answer;
}

Task<int> failingPoll() {
    co_await sleepFor(1s);
    throw std::runtime_error("poll broke");
}

Task<int> pollThatSignalsAsItAnswers(std::shared_ptr<OperatorWakeSignal> wake) {
    co_await sleepFor(2s);
    wake->signal();
    co_return 5;
}

} // namespace

TEST(OperatorWakeSignal, APendingSignalIsOneBitForTheNextWait) {
    LoopWithFakeClock f;
    f.wake->signal();
    f.wake->signal();
    EXPECT_TRUE(f.wait(60s));
    EXPECT_EQ(f.elapsed(), 0s);
    EXPECT_FALSE(f.wait(60s));
    EXPECT_EQ(f.elapsed(), 60s);
}

TEST(OperatorWakeSignal, ANoneOrNegativeTimeEndsTheWaitAtOnce) {
    LoopWithFakeClock f;
    for (const double seconds : {0.0, -5.0, std::numeric_limits<double>::quiet_NaN()}) {
        EXPECT_FALSE(f.wait(OperatorWakeSignal::Seconds(seconds))) << seconds;
    }
    EXPECT_EQ(f.elapsed(), 0s);
    f.wake->signal();
    EXPECT_TRUE(f.wait(0s));
}

TEST(OperatorWakeSignal, ASignalEndsTheWaitAndItsTimerChangesNothingLater) {
    LoopWithFakeClock f;
    const auto wake = f.wake;
    f.loop.schedule(1s, [wake] { wake->signal(); });
    EXPECT_TRUE(f.wait(60s));
    EXPECT_EQ(f.elapsed(), 1s);
    EXPECT_FALSE(f.wait(100s));
    EXPECT_EQ(f.elapsed(), 101s) << "the first wait's timer at 60 s must not end the second wait";
}

TEST(OperatorWakeSignal, ANewWaiterWakesTheOldOneAndCancelEndsTheArmedOne) {
    LoopWithFakeClock f;
    std::vector<std::pair<int, bool>> calls;
    f.wake->cancelWait();
    f.wake->arm(60s, [&](bool signalled) { calls.emplace_back(1, signalled); });
    f.wake->arm(60s, [&](bool signalled) { calls.emplace_back(2, signalled); });
    EXPECT_EQ(calls, (std::vector<std::pair<int, bool>>{{1, true}}));
    f.wake->cancelWait();
    f.wake->cancelWait();
    f.loop.advance(120s);
    EXPECT_EQ(calls, (std::vector<std::pair<int, bool>>{{1, true}, {2, false}}));
    EXPECT_FALSE(f.wait(0s)) << "neither the displacement nor the cancel leaves a wake pending";
}

TEST(OperatorWakeSignal, ASignalWhileTheDisplacedWaiterRunsReachesTheNewOne) {
    LoopWithFakeClock f;
    const auto wake = f.wake;
    std::vector<std::pair<int, bool>> calls;
    wake->arm(60s, [&](bool signalled) {
        calls.emplace_back(1, signalled);
        wake->signal();
    });
    wake->arm(60s, [&](bool signalled) { calls.emplace_back(2, signalled); });
    EXPECT_EQ(calls, (std::vector<std::pair<int, bool>>{{1, true}, {2, true}}));
    EXPECT_FALSE(f.wait(0s));
}

TEST(OperatorWakeSignal, ASignalFromAnotherThreadResumesTheWaitOnItsLoop) {
    RunLoop loop;
    const auto wake = OperatorWakeSignal::make();
    std::thread signaller;
    auto waitForSignal = [](std::shared_ptr<OperatorWakeSignal> wake, std::thread* signaller) -> Task<std::thread::id> {
        auto startSignaller = [wake, signaller] { *signaller = std::thread([wake] { wake->signal(); }); };
        RunLoop::current().post(startSignaller);
        const bool signalled = co_await wake->wait(3600s);
        EXPECT_TRUE(signalled);
        co_return std::this_thread::get_id();
    };
    EXPECT_EQ(runUntilDone(loop, waitForSignal(wake, &signaller)), std::this_thread::get_id());
    signaller.join();
    EXPECT_FALSE(runUntilDone(loop, wake->wait(0s))) << "the armed waiter took the signal";
}

TEST(PollRace, AnAnswerWinsAndALaterSignalStaysPending) {
    LoopWithFakeClock f;
    auto answered = std::make_shared<bool>(false);
    auto outcome = f.race(poll(2s, 7, answered), 30s);
    ASSERT_EQ(outcome.kind(), PollRace<int>::Kind::answered);
    EXPECT_EQ(outcome.answer(), 7);
    EXPECT_EQ(f.elapsed(), 2s);

    f.loop.advance(1s);
    f.wake->signal();
    EXPECT_TRUE(f.wait(60s));
    EXPECT_EQ(f.elapsed(), 3s);
    EXPECT_FALSE(f.wait(100s));
    EXPECT_EQ(f.elapsed(), 103s) << "the race's own timer must not end a later wait";
}

TEST(PollRace, ASignalOrTheLimitWinsAndThePollRunsOn) {
    struct Case {
        const char* name;
        bool pendingAtStart;
        std::optional<Clock::Duration> signalAt;
        PollRace<int>::Kind expected;
        Clock::Duration decidedAt;
    };
    const Case cases[] = {
        {"signal during the poll", false, 1s, PollRace<int>::Kind::changed, 1s},
        {"signal before the race", true, std::nullopt, PollRace<int>::Kind::changed, 0s},
        {"neither", false, std::nullopt, PollRace<int>::Kind::timedOut, 30s},
    };
    for (const auto& c : cases) {
        LoopWithFakeClock f;
        const auto wake = f.wake;
        if (c.pendingAtStart) wake->signal();
        if (c.signalAt) f.loop.schedule(*c.signalAt, [wake] { wake->signal(); });
        auto answered = std::make_shared<bool>(false);
        EXPECT_EQ(f.race(poll(100s, 7, answered), 30s).kind(), c.expected) << c.name;
        EXPECT_EQ(f.elapsed(), c.decidedAt) << c.name;
        EXPECT_FALSE(*answered) << c.name;
        f.loop.advance(100s);
        EXPECT_TRUE(*answered) << c.name << ": the poll is never cancelled";
    }
}

TEST(PollRace, APollThatThrowsAnswersWithItsError) {
    LoopWithFakeClock f;
    auto outcome = f.race(failingPoll(), 30s);
    ASSERT_EQ(outcome.kind(), PollRace<int>::Kind::answered);
    EXPECT_TRUE(outcome.error());
    EXPECT_THROW(outcome.answer(), std::runtime_error);
    EXPECT_EQ(f.elapsed(), 1s);
}

TEST(PollRace, ASignalLandingAsThePollAnswersIsKeptForTheNextWait) {
    LoopWithFakeClock f;
    auto outcome = f.race(pollThatSignalsAsItAnswers(f.wake), 30s);
    ASSERT_EQ(outcome.kind(), PollRace<int>::Kind::answered);
    EXPECT_EQ(outcome.answer(), 5);
    EXPECT_TRUE(f.wait(60s));
    EXPECT_EQ(f.elapsed(), 2s);
}
