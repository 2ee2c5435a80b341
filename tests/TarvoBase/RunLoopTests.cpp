#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/RunLoop.h"

using namespace std::chrono_literals;
using tarvo::RunLoop;
using tarvo::Timer;
using tarvo::testing::LoopWithFakeClock;

TEST(RunLoop, PostedWorkRunsInOrderIncludingWorkPostedWhileRunning) {
    LoopWithFakeClock f;
    std::string order;
    f.loop.post([&] {
        order += "a";
        f.loop.post([&] { order += "c"; });
    });
    f.loop.post([&] { order += "b"; });
    EXPECT_EQ(f.loop.runReady(), 3u);
    EXPECT_EQ(order, "abc");
}

TEST(RunLoop, TimersFireInDueOrderEachAtItsOwnTime) {
    LoopWithFakeClock f;
    std::vector<std::pair<std::string, tarvo::Clock::Instant>> fired;
    auto note = [&](std::string name) { return [&, name] { fired.emplace_back(name, f.clock->now()); }; };
    const auto start = f.clock->now();
    f.loop.schedule(30s, note("thirty"));
    f.loop.schedule(5s, note("five"));
    f.loop.schedule(5s, note("five-again"));
    f.loop.scheduleRepeating(3s, note("every-three"));

    f.loop.advance(4s);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0].first, "every-three");

    f.loop.advance(26s);
    std::vector<std::string> names;
    for (auto& [name, at] : fired) names.push_back(name);
    std::vector<std::string> expected{"every-three", "five", "five-again"};
    expected.insert(expected.end(), 8, "every-three");  // 6 s to 27 s
    expected.insert(expected.end(), {"thirty", "every-three"});  // at 30 s the earlier-made timer first
    EXPECT_EQ(names, expected);
    EXPECT_EQ(fired[1].second - start, 5s);
    EXPECT_EQ(fired.back().second - start, 30s);
}

TEST(RunLoop, InvalidatedTimersNeverFireAgain) {
    LoopWithFakeClock f;
    int repeats = 0;
    Timer repeating;
    repeating = f.loop.scheduleRepeating(1s, [&] {
        if (++repeats == 2) repeating.invalidate();
    });
    int oneShot = 0;
    Timer cancelled = f.loop.schedule(2s, [&] { ++oneShot; });
    cancelled.invalidate();

    f.loop.advance(10s);
    EXPECT_EQ(repeats, 2);
    EXPECT_EQ(oneShot, 0);
    EXPECT_FALSE(repeating.isValid());
}

TEST(RunLoop, OneShotTimerIsNoLongerValidAfterFiring) {
    LoopWithFakeClock f;
    Timer timer = f.loop.schedule(1s, [] {});
    EXPECT_TRUE(timer.isValid());
    f.loop.advance(1s);
    EXPECT_FALSE(timer.isValid());
}

TEST(RunLoop, PostFromManyThreadsLosesNothing) {
    RunLoop loop;
    constexpr int threads = 8;
    constexpr int perThread = 2000;
    std::atomic<int> started{0};
    int ran = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([&] {
            ++started;
            for (int i = 0; i < perThread; ++i) loop.post([&] { ++ran; });
        });
    }
    while (ran < threads * perThread) loop.runOnce();
    for (auto& thread : posters) thread.join();
    loop.runReady();
    EXPECT_EQ(ran, threads * perThread);
}

TEST(RunLoop, StopEndsRunFromAnotherThread) {
    RunLoop loop;
    std::atomic<int> ticks = 0;
    loop.scheduleRepeating(1ms, [&] { ++ticks; });
    // Stop only once the loop has shown it runs, however slowly a loaded machine lets it start.
    std::thread stopper([&] {
        while (ticks.load() == 0) std::this_thread::sleep_for(1ms);
        loop.stop();
    });
    loop.run();
    stopper.join();
    EXPECT_GT(ticks.load(), 0);
}

TEST(RunLoop, WorkPostedAfterShutdownBeganIsDropped) {
    int ran = 0;
    {
        LoopWithFakeClock f;
        f.loop.post([&] { ++ran; });
        f.loop.schedule(1s, [&] { ++ran; });
    }
    EXPECT_EQ(ran, 0);
}

TEST(RunLoop, AThrowingTimerOrPostIsLoggedAndTheLoopRunsOn) {
    tarvo::testing::CapturedPlainLog log;
    LoopWithFakeClock f;
    int repeats = 0;
    f.loop.scheduleRepeating(1s, [&] {
        if (++repeats == 1) throw std::runtime_error("tick broke");
    });
    f.loop.post([] { throw 42; });
    bool later = false;
    f.loop.schedule(3s, [&] {
        later = true;
        f.loop.stop();
    });

    f.loop.run();

    EXPECT_TRUE(later);
    EXPECT_EQ(repeats, 3);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"tarvo: posted work ended with an unknown error",
                                                     "tarvo: a timer ended with an error: tick broke"}));
}

TEST(RunLoop, ARepeatingTimerThatFellBehindFiresOnceNotOncePerMissedInterval) {
    LoopWithFakeClock f;
    int fired = 0;
    Timer every = f.loop.scheduleRepeating(1s, [&] { ++fired; });

    // The clock jumps without the loop visiting the times in between, as after a sleep.
    f.clock->advance(10s);
    f.loop.runReady();
    EXPECT_EQ(fired, 1);

    f.clock->advance(1s);
    f.loop.runReady();
    EXPECT_EQ(fired, 2);
}

TEST(RunLoop, AHeldLoopWaitsForTheThreadThatOwesItAPost) {
    RunLoop loop;
    bool ran = false;
    std::thread poster;
    {
        RunLoop::Hold hold(loop);
        poster = std::thread([&] {
            std::this_thread::sleep_for(20ms);
            loop.post([&] { ran = true; });
        });
        // One turn wakes for the post, the next runs it.
        for (int turn = 0; turn < 2 && !ran; ++turn) EXPECT_TRUE(loop.runOnce());
    }
    poster.join();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(loop.runOnce());
}
