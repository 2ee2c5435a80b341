#include <gtest/gtest.h>

#include <vector>

#include "Support/CapturedTarvoLog.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCore/Operator/DisplayWakePolicy.h"
#include "TarvoCore/Operator/IdleSleepHold.h"
#include "TarvoCore/Operator/KeepAwakePolicy.h"
#include "TarvoCore/Operator/KeepAwakeSetting.h"
#include "TarvoCore/Operator/MacHardware.h"

using namespace tarvo;
using tarvo::testing::CapturedTarvoLog;

TEST(KeepAwakeSetting, UnsetFollowsTheKindOfComputerAndOnlyABoolCounts) {
    const MacHardware mini{{}, "Mac mini", MacKind::macMini, false};
    const MacHardware air{{}, "MacBook Air", MacKind::macBookAir, true};
    const MacHardware unknown{};
    struct Case {
        std::optional<Json> stored;
        MacHardware hardware;
        bool expected;
    };
    const Case cases[] = {
        {{}, mini, true},
        {{}, air, false},
        {{}, unknown, false},
        {{}, MacHardware{{}, {}, {}, false}, true},
        {Json(false), mini, false},
        {Json(true), air, true},
        {Json("true"), air, false},
        {Json(1), mini, true},
        {Json(0), mini, true},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.set(c.stored, KeepAwakeSetting::key);
        EXPECT_EQ(KeepAwakeSetting::isOn(store, c.hardware.isLaptop()), c.expected) << (c.stored ? c.stored->dump() : "unset");
    }
    MemorySettingsStore store;
    KeepAwakeSetting::set(false, store);
    EXPECT_EQ(store.object("TarvoKeepAwakeWhileWorking"), Json(false));
}

TEST(KeepAwakePolicy, WantedOnlyWithEverythingOnAndKnownExternalPower) {
    struct Case {
        bool setting, operateSwitch, signedIn;
        std::optional<bool> acPower;
        bool runLive;
        std::optional<KeepAwakeReason> expected;
    };
    const Case cases[] = {
        {true, true, true, true, false, KeepAwakeReason::reachable},
        {true, true, true, true, true, KeepAwakeReason::runLive},
        {true, true, true, false, true, std::nullopt},
        {true, true, true, std::nullopt, true, std::nullopt},
        {false, true, true, true, true, std::nullopt},
        {true, false, true, true, true, std::nullopt},
        {true, true, false, true, true, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KeepAwakePolicy::wanted(c.setting, c.operateSwitch, c.signedIn, c.acPower, c.runLive), c.expected);
    }
}

namespace {

struct SystemHolds {
    std::vector<std::string> begun;
    std::vector<IdleSleepHold::Assertion> ended;
    bool refuse = false;

    IdleSleepHold makeHold() {
        return IdleSleepHold(
            [this](const std::string& name) -> std::optional<IdleSleepHold::Assertion> {
                begun.push_back(name);
                if (refuse) return std::nullopt;
                return static_cast<IdleSleepHold::Assertion>(100 + begun.size());
            },
            [this](IdleSleepHold::Assertion assertion) { ended.push_back(assertion); });
    }
};

} // namespace

TEST(IdleSleepHold, TakesOneHoldAcrossReasonsAndEndsItOnce) {
    SystemHolds system;
    {
        IdleSleepHold hold = system.makeHold();
        hold.hold(KeepAwakeReason::reachable);
        hold.hold(KeepAwakeReason::runLive);
        EXPECT_TRUE(hold.isHeld());
        EXPECT_EQ(hold.reason(), KeepAwakeReason::runLive);
        EXPECT_EQ(system.begun, std::vector<std::string>{"Tarvo keeps this Mac awake while it works for you"});

        hold.hold(std::nullopt);
        hold.hold(std::nullopt);
        EXPECT_FALSE(hold.isHeld());
        EXPECT_EQ(hold.reason(), std::nullopt);
        EXPECT_EQ(system.ended, std::vector<IdleSleepHold::Assertion>{101});

        hold.hold(KeepAwakeReason::reachable);
    }
    EXPECT_EQ(system.ended, (std::vector<IdleSleepHold::Assertion>{101, 102})) << "a hold still taken ends with its holder";
}

TEST(IdleSleepHold, ARefusedHoldIsTriedAgainAndKeepsTheReason) {
    SystemHolds system;
    system.refuse = true;
    {
        IdleSleepHold hold = system.makeHold();
        hold.hold(KeepAwakeReason::reachable);
        EXPECT_FALSE(hold.isHeld());
        EXPECT_EQ(hold.reason(), KeepAwakeReason::reachable);
        system.refuse = false;
        hold.hold(KeepAwakeReason::reachable);
        EXPECT_TRUE(hold.isHeld());
        EXPECT_EQ(system.begun.size(), 2u);
    }
    EXPECT_EQ(system.ended, std::vector<IdleSleepHold::Assertion>{102});
}

TEST(DisplayWakePolicy, WakesOnlyAKnownSleepingDisplayAtAnUnlockedScreenForAScreenStep) {
    struct Case {
        MacCapabilityClass klass;
        std::optional<bool> asleep;
        bool unlockedAtScreen, keepAwake, expected;
    };
    const Case cases[] = {
        {MacCapabilityClass::screen, true, true, true, true},
        {MacCapabilityClass::act, true, true, true, true},
        {MacCapabilityClass::consequential, true, true, true, true},
        {MacCapabilityClass::files, true, true, true, false},
        {MacCapabilityClass::screen, std::nullopt, true, true, false},
        {MacCapabilityClass::screen, false, true, true, false},
        {MacCapabilityClass::screen, true, false, true, false},
        {MacCapabilityClass::screen, true, true, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayWakePolicy::shouldWake(c.klass, c.asleep, c.unlockedAtScreen, c.keepAwake), c.expected);
    }
}

TEST(KeepAwakeReason, LogLineNamesTheReasonOrTheRelease) {
    CapturedTarvoLog log;
    TarvoLog::operatorKeepAwake(KeepAwakeReason::runLive);
    TarvoLog::operatorKeepAwake(KeepAwakeReason::reachable);
    TarvoLog::operatorKeepAwake(std::nullopt);
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].category, "operator");
    EXPECT_EQ(entries[0].format, "operator keep awake %{public}s");
    EXPECT_EQ(entries[0].text(), "operator keep awake run_live");
    EXPECT_EQ(entries[1].text(), "operator keep awake reachable");
    EXPECT_EQ(entries[2].text(), "operator keep awake released");
}
