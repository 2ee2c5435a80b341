#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "Support/LoopWithFakeClock.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"

using tarvo::OneShotResult;
using tarvo::spawn;
using tarvo::Task;
using tarvo::testing::LoopWithFakeClock;

namespace {

template <class T>
Task<void> awaitInto(std::shared_ptr<OneShotResult<T>> result, std::string name, std::string* log) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await *result;
            *log += name + " woke;";
        } else {
            *log += name + " got " + co_await *result + ";";
        }
    } catch (const std::runtime_error& error) {
        *log += name + " caught " + error.what() + ";";
    }
}

} // namespace

TEST(OneShotResult, WaitersResumeInOrderOnALaterTurnAndOnlyTheFirstOutcomeCounts) {
    LoopWithFakeClock f;
    auto result = std::make_shared<OneShotResult<std::string>>();
    std::string log;
    spawn(awaitInto(result, "a", &log));
    spawn(awaitInto(result, "b", &log));
    f.loop.runReady();

    EXPECT_TRUE(result->succeed("first"));
    log += "settled;";
    EXPECT_FALSE(result->succeed("second"));
    EXPECT_FALSE(result->fail(std::make_exception_ptr(std::runtime_error("late"))));
    f.loop.runReady();
    spawn(awaitInto(result, "c", &log));
    f.loop.runReady();

    EXPECT_EQ(log, "settled;a got first;b got first;c got first;");
}

TEST(OneShotResult, AFailureReachesEveryWaiterAndAVoidResultOnlyWakes) {
    LoopWithFakeClock f;
    auto failing = std::make_shared<OneShotResult<std::string>>();
    auto signal = std::make_shared<OneShotResult<>>();
    std::string log;
    spawn(awaitInto(failing, "a", &log));
    spawn(awaitInto(failing, "b", &log));
    spawn(awaitInto(signal, "c", &log));
    f.loop.runReady();

    failing->fail(std::make_exception_ptr(std::runtime_error("refused")));
    EXPECT_TRUE(signal->succeed());
    EXPECT_FALSE(signal->succeed());
    f.loop.runReady();

    EXPECT_EQ(log, "a caught refused;b caught refused;c woke;");
}
