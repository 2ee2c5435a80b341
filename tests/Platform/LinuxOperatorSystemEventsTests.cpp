#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/LinuxOperatorReadings.h"
#include "Platform/LinuxOperatorSystemEvents.h"
#include "Support/CapturedPlainLog.h"
#include "Support/FakeSystemCalls.h"
#include "Support/PrivateBus.h"
#include "Support/StandInLogind.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/RunLoop.h"

using namespace std::chrono_literals;
using tarvo::LinuxOperatorSystemEvents;
using tarvo::testing::PrivateBus;
using tarvo::testing::StandInLogind;
using tarvo::testing::TemporaryFolder;

namespace {

constexpr const char* noLogind =
    "tarvo: no system bus or no logind here — the operator hears of no sleep, wake or screen lock from the system";

class LinuxOperatorSystemEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (PrivateBus::available()) return;
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true") {
            FAIL() << PrivateBus::program << " is missing (Debian's package dbus-daemon)";
        }
        GTEST_SKIP() << PrivateBus::program << " is missing: install Debian's package dbus-daemon";
    }

    tarvo::RunLoop loop;
    std::vector<std::string> heard;

    tarvo::OperatorSystemEvents::Handlers recording() {
        return {
            .changed = [this] { heard.emplace_back("changed"); },
            .willSleep = [this] { heard.emplace_back("will sleep"); },
            .didWake = [this] { heard.emplace_back("did wake"); },
        };
    }

    // Runs the loop until `done`, for 10 s at most.
    bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            loop.runReady();
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
};

TEST_F(LinuxOperatorSystemEventsTest, HearsLogindsSleepAndWakeAndTheLockAndActivityOfItsOwnSessionOnly) {
    PrivateBus bus;
    StandInLogind logind(bus.address());
    LinuxOperatorSystemEvents events(bus.address(), [] { return std::nullopt; });
    events.watch(recording());
    ASSERT_TRUE(runUntil([&] { return logind.sessionQuestions() == 1; }));

    logind.prepareForSleep(true);
    logind.prepareForSleep(false);
    logind.emit("Lock");
    logind.emit("Unlock");
    logind.emit("Lock", StandInLogind::otherSessionPath);
    logind.change("LockedHint", true);
    logind.change("Active", false);
    logind.change("IdleHint", true);
    // Signals arrive in the order sent: once this one is heard, every one before it was.
    logind.prepareForSleep(true);

    ASSERT_TRUE(runUntil([&] { return heard.size() == 7; })) << ::testing::PrintToString(heard);
    EXPECT_EQ(heard, (std::vector<std::string>{"will sleep", "did wake", "changed", "changed", "changed", "changed",
                                               "will sleep"}));
}

TEST_F(LinuxOperatorSystemEventsTest, WithoutABusOrLogindSaysSoOnce) {
    PrivateBus bus;
    TemporaryFolder folder;
    struct Case {
        const char* name;
        std::string address;
    };
    const Case cases[] = {
        {"no bus", "unix:path=" + (folder / "no-bus").string()},
        {"a bus without logind", bus.address()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        tarvo::testing::CapturedPlainLog log;
        {
            LinuxOperatorSystemEvents events(c.address, [] { return std::nullopt; });
            events.watch(recording());
            ASSERT_TRUE(runUntil([&] { return !log.lines().empty(); }));
        }
        EXPECT_EQ(log.lines(), std::vector<std::string>{noLogind});
    }
}

TEST_F(LinuxOperatorSystemEventsTest, DisplaysFallingAsleepOrWakingAreAChange) {
    TemporaryFolder folder;
    const auto dpms = folder / "sys/class/drm/card0-HDMI-A-1/dpms";
    std::filesystem::create_directories(dpms.parent_path());
    std::ofstream(dpms.parent_path() / "status") << "connected\n";
    std::ofstream(dpms.parent_path() / "enabled") << "enabled\n";
    const auto setDpms = [&](const char* state) { std::ofstream(dpms) << state << "\n"; };
    setDpms("On");
    auto readings = std::make_shared<tarvo::LinuxOperatorReadings>(
        loop.sharedClock(), std::make_shared<tarvo::testing::FakeSystemCalls>(), folder / "sys",
        tarvo::LinuxOperatorReadings::Programs{});
    auto reads = std::make_shared<std::atomic<int>>(0);
    // Counted once the file has been read, not before: a flip written between the count and
    // the reading would become the starting state and never be a change.
    auto displaysAsleep = [readings, reads] {
        const auto asleep = readings->displaysAsleep();
        ++*reads;
        return asleep;
    };
    tarvo::testing::CapturedPlainLog quiet;
    LinuxOperatorSystemEvents events("unix:path=" + (folder / "no-bus").string(), displaysAsleep, 20ms);
    events.watch(recording());
    // The first reading is where the displays start from: no change yet.
    ASSERT_TRUE(runUntil([&] { return *reads >= 1; }));

    setDpms("Off");
    ASSERT_TRUE(runUntil([&] { return heard.size() == 1; }));
    setDpms("On");
    ASSERT_TRUE(runUntil([&] { return heard.size() == 2; }));
    EXPECT_EQ(heard, (std::vector<std::string>{"changed", "changed"}));
}

} // namespace
