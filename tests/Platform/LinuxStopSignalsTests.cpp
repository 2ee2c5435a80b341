#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include <unistd.h>

#include "Platform/LinuxStopSignals.h"
#include "TarvoBase/RunLoop.h"

using namespace std::chrono_literals;
using tarvo::LinuxStopSignals;
using tarvo::RunLoop;

namespace {

void (*currentHandler(int number))(int) {
    struct sigaction action {};
    ::sigaction(number, nullptr, &action);
    return action.sa_handler;
}

} // namespace

TEST(LinuxStopSignals, EachRequestReachesTheLoopAndTheOldDispositionsReturnAfterward) {
    const auto interruptBefore = currentHandler(SIGINT);
    const auto terminateBefore = currentHandler(SIGTERM);
    {
        RunLoop loop;
        LinuxStopSignals signals(loop);
        std::vector<std::string> heard;
        signals.onStop([&](std::string_view name) {
            heard.emplace_back(name);
            if (heard.size() == 2) loop.stop();
        });
        // Only a safety net: a request that never arrives ends the test instead of hanging it.
        const auto giveUp = loop.schedule(60s, [&] { loop.stop(); });

        ::kill(::getpid(), SIGTERM);
        ::kill(::getpid(), SIGINT);
        loop.run();

        EXPECT_EQ(heard.size(), 2u);
        EXPECT_NE(std::find(heard.begin(), heard.end(), "SIGTERM"), heard.end());
        EXPECT_NE(std::find(heard.begin(), heard.end(), "SIGINT"), heard.end());
        EXPECT_THROW(LinuxStopSignals{loop}, std::logic_error);
    }
    EXPECT_EQ(currentHandler(SIGINT), interruptBefore);
    EXPECT_EQ(currentHandler(SIGTERM), terminateBefore);
}
