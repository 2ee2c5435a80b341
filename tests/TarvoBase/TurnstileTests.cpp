#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Turnstile.h"

using namespace tarvo;
using namespace std::chrono_literals;
using tarvo::testing::LoopWithFakeClock;

namespace {

// Goes through, waits `inside` on the loop's clock, and leaves; or throws while through.
Task<void> passThrough(std::shared_ptr<Turnstile> turnstile, std::string name, Clock::Duration inside,
                       std::string* log, bool fails = false) {
    auto pass = co_await turnstile->enter();
    *log += name + " in;";
    co_await sleepFor(inside);
    if (fails) throw std::runtime_error(name + " broke");
    *log += name + " out;";
}

Task<void> caught(Task<void> inner, std::string* log) {
    try {
        co_await std::move(inner);
    } catch (const std::runtime_error& error) {
        *log += std::string(error.what()) + ";";
    }
}

} // namespace

TEST(Turnstile, LetsOneTaskThroughAtATimeInTheOrderTheyCame) {
    LoopWithFakeClock f;
    const auto turnstile = Turnstile::make();
    std::string log;
    spawn(passThrough(turnstile, "a", 5s, &log));
    spawn(passThrough(turnstile, "b", 1s, &log));
    spawn(passThrough(turnstile, "c", 0s, &log));
    f.loop.runReady();
    EXPECT_EQ(log, "a in;");
    EXPECT_TRUE(turnstile->isHeld());

    f.loop.advance(5s);
    f.loop.runReady();
    EXPECT_EQ(log, "a in;a out;b in;");
    f.loop.advance(1s);
    f.loop.runReady();
    EXPECT_EQ(log, "a in;a out;b in;b out;c in;c out;");
    EXPECT_FALSE(turnstile->isHeld());

    spawn(passThrough(turnstile, "d", 0s, &log));
    f.loop.runReady();
    EXPECT_EQ(log, "a in;a out;b in;b out;c in;c out;d in;d out;");
}

TEST(Turnstile, ATaskThatThrowsStillLetsTheNextThrough) {
    LoopWithFakeClock f;
    const auto turnstile = Turnstile::make();
    std::string log;
    spawn(caught(passThrough(turnstile, "a", 1s, &log, true), &log));
    spawn(passThrough(turnstile, "b", 0s, &log));
    f.loop.advance(1s);
    f.loop.runReady();
    EXPECT_EQ(log, "a in;a broke;b in;b out;");
    EXPECT_FALSE(turnstile->isHeld());
}

TEST(Turnstile, TasksDestroyedWhileWaitingOrThroughLeaveNothingBehind) {
    const auto turnstile = Turnstile::make();
    std::string log;
    {
        LoopWithFakeClock f;
        spawn(passThrough(turnstile, "a", 10s, &log));
        spawn(passThrough(turnstile, "b", 0s, &log));
        spawn(passThrough(turnstile, "c", 0s, &log));
        f.loop.runReady();
    }
    EXPECT_EQ(log, "a in;");
    EXPECT_FALSE(turnstile->isHeld());

    LoopWithFakeClock later;
    spawn(passThrough(turnstile, "d", 0s, &log));
    later.loop.runReady();
    EXPECT_EQ(log, "a in;d in;d out;");
}
