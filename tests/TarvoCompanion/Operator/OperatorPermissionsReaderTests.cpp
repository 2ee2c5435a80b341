#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Platform/LinuxOperatorSystemEvents.h"
#include "TarvoCompanion/RecordingOpener.h"
#include "Support/CapturedTarvoLog.h"
#include "Support/FakeOperatorSystemReadings.h"
#include "Support/LoopWithFakeClock.h"
#include "Support/PrivateBus.h"
#include "Support/StandInLogind.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Operator/OperatorPermissionsReader.h"
#include "TarvoCompanion/Operator/SimulatedOperatorLink.h"
#include "TarvoCore/Operator/KeepAwakeSetting.h"
#include "TarvoCore/Operator/OperatorSwitch.h"

using namespace std::chrono_literals;
using tarvo::Json;
using tarvo::KeepAwakeSetting;
using tarvo::MacHardware;
using tarvo::MacKind;
using tarvo::MacSettingPane;
using tarvo::OperatorCaps;
using tarvo::OperatorPermissionsReader;
using tarvo::OperatorSwitch;
using tarvo::OperatorSystemEvents;
using tarvo::OperatorSystemReadings;
using tarvo::Task;
using tarvo::testing::FakeOperatorSystemReadings;

namespace {

// The fake readings, counted; the test may change them between readings.
struct CountedReadings final : OperatorSystemReadings {
    std::shared_ptr<FakeOperatorSystemReadings> fake = std::make_shared<FakeOperatorSystemReadings>();
    mutable std::atomic<int> taken = 0;

    std::optional<bool> accessibilityTrusted() const override {
        ++taken;
        return fake->accessibilityTrusted();
    }
    std::optional<bool> screenCaptureAllowed() const override { return fake->screenCaptureAllowed(); }
    std::optional<bool> postEventAllowed() const override { return fake->postEventAllowed(); }
    std::optional<Json> sessionDictionary() const override { return fake->sessionDictionary(); }
    std::optional<Displays> displays() const override { return fake->displays(); }
    std::optional<bool> osSupported() const override { return fake->osSupported(); }
    std::optional<bool> displaysAsleep() const override { return fake->displaysAsleep(); }
    std::optional<bool> fullDiskAccess() const override { return fake->fullDiskAccess(); }
    std::optional<std::int64_t> idleSeconds() const override { return fake->idleSeconds(); }
    std::optional<bool> acPower() const override { return fake->acPower(); }
};

struct FakeEvents final : OperatorSystemEvents {
    int watched = 0;
    Handlers handlers;
    void watch(Handlers given) override {
        ++watched;
        handlers = std::move(given);
    }
};

class OperatorPermissionsReaderTest : public ::testing::Test {
protected:
    tarvo::testing::LoopWithFakeClock loop;
    std::shared_ptr<tarvo::MemorySettingsStore> defaults = std::make_shared<tarvo::MemorySettingsStore>();
    std::shared_ptr<CountedReadings> readings = std::make_shared<CountedReadings>();
    std::shared_ptr<FakeEvents> events = std::make_shared<FakeEvents>();
    std::shared_ptr<tarvo::SimulatedOperatorLink> link = std::make_shared<tarvo::SimulatedOperatorLink>();
    std::shared_ptr<tarvo::testing::RecordingOpener> opener = std::make_shared<tarvo::testing::RecordingOpener>();
    MacHardware hardware{"Mac14,3", "Mac mini (2023)", MacKind::macMini, false};
    // What happened on the loop, each with the readings taken and the link's calls by then.
    std::vector<std::string> happened;

    std::shared_ptr<OperatorPermissionsReader> make(std::shared_ptr<OperatorSystemEvents> watched = nullptr) {
        auto permissions = OperatorPermissionsReader::make({
            .defaults = defaults,
            .hardware = hardware,
            .readings = readings,
            .events = watched ? watched : events,
            .link = link,
            .panes = opener,
        });
        permissions->sendHeartbeat = [this]() -> Task<void> {
            note("heartbeat");
            co_return;
        };
        permissions->onWillSleep = [this] { note("will sleep"); };
        permissions->onDidWake = [this] { note("did wake"); };
        return permissions;
    }

    void note(const std::string& what) {
        std::string line = what + " after " + std::to_string(readings->taken) + " readings, link:";
        for (const auto& call : link->calls()) line += " " + call;
        happened.push_back(line);
    }

    // Notes each wake of the link's signal.
    void watchWakes() {
        link->wake->arm(std::chrono::hours(1), [this](bool signalled) {
            if (!signalled) return;
            note("wake");
            watchWakes();
        });
    }

    // Runs the loop without moving its clock until `done`, while a worker takes a reading.
    void runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!done()) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline);
            loop.loop.runReady();
            std::this_thread::yield();
        }
    }

    void refresh(OperatorPermissionsReader& permissions) {
        bool done = false;
        auto refreshing = [](OperatorPermissionsReader* permissions, bool* done) -> Task<void> {
            co_await permissions->refresh();
            *done = true;
        };
        spawn(refreshing(&permissions, &done));
        runUntil([&] { return done; });
    }

    static std::vector<std::string> texts(const tarvo::testing::CapturedTarvoLog& log) {
        std::vector<std::string> lines;
        for (const auto& entry : log.entries()) lines.push_back(entry.category + ": " + entry.text());
        return lines;
    }
};

TEST_F(OperatorPermissionsReaderTest, StartsFromTheStoredSwitchesAndTheKindOfComputer) {
    EXPECT_FALSE(make()->allowed());
    EXPECT_TRUE(make()->keepAwake()) << "a desktop stays awake until the user says otherwise";
    hardware.kind = MacKind::macBookAir;
    EXPECT_FALSE(make()->keepAwake());
    hardware.kind.reset();
    hardware.internalBattery = false;
    EXPECT_TRUE(make()->keepAwake()) << "an unknown kind without a battery is a desktop";

    OperatorSwitch::set(true, *defaults);
    KeepAwakeSetting::set(false, *defaults);
    hardware.kind = MacKind::macMini;
    EXPECT_TRUE(make()->allowed());
    EXPECT_FALSE(make()->keepAwake());
}

TEST_F(OperatorPermissionsReaderTest, TheSameValueAgainStoresLogsAndRunsNothing) {
    tarvo::testing::CapturedTarvoLog log;
    auto permissions = make();
    watchWakes();
    permissions->setAllowed(false);
    permissions->setKeepAwake(true);
    loop.loop.advance(30s);

    EXPECT_EQ(defaults->object(OperatorSwitch::key), std::nullopt);
    EXPECT_EQ(defaults->object(KeepAwakeSetting::key), std::nullopt);
    EXPECT_TRUE(log.entries().empty());
    EXPECT_TRUE(happened.empty());
    EXPECT_TRUE(link->calls().empty());
    EXPECT_EQ(readings->taken, 0);
}

TEST_F(OperatorPermissionsReaderTest, ASwitchChangeRunsItsFollowUpsInOrderAndTurningOffStopsTheRunAtOnce) {
    struct Case {
        const char* name;
        bool turnedOn;
        std::vector<std::string> atOnce;
        std::vector<std::string> then;
    };
    const Case cases[] = {
        {"off", false, {"stopBecauseSwitchedOff"},
         {"wake after 1 readings, link: stopBecauseSwitchedOff",
          "heartbeat after 1 readings, link: stopBecauseSwitchedOff refreshKeepAwake"}},
        {"on", true, {}, {"wake after 1 readings, link:", "heartbeat after 1 readings, link: refreshKeepAwake"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        defaults = std::make_shared<tarvo::MemorySettingsStore>();
        readings = std::make_shared<CountedReadings>();
        link = std::make_shared<tarvo::SimulatedOperatorLink>();
        happened.clear();
        OperatorSwitch::set(!c.turnedOn, *defaults);
        tarvo::testing::CapturedTarvoLog log;
        auto permissions = make();
        watchWakes();

        permissions->setAllowed(c.turnedOn);
        EXPECT_EQ(link->calls(), c.atOnce) << "inside the change itself";
        EXPECT_EQ(readings->taken, 0);
        EXPECT_EQ(OperatorSwitch::isOn(*defaults), c.turnedOn);
        runUntil([&] { return happened.size() == 2; });

        EXPECT_EQ(happened, c.then);
        ASSERT_TRUE(permissions->caps());
        EXPECT_EQ(permissions->caps()->enabled, c.turnedOn);
        const std::vector<std::string> lines = texts(log);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), std::string("operator: operator switch ") + (c.turnedOn ? "on" : "off"));
    }
}

TEST_F(OperatorPermissionsReaderTest, ASwitchChangePutsTheSwitchIntoThePublishedReadingAtOnce) {
    auto permissions = make();
    refresh(*permissions);
    ASSERT_TRUE(permissions->caps());
    EXPECT_FALSE(permissions->caps()->enabled);
    permissions->setAllowed(true);
    EXPECT_TRUE(permissions->caps()->enabled);
    runUntil([&] { return happened.size() == 1; });
}

TEST_F(OperatorPermissionsReaderTest, LogsReadinessForTheFirstReadingAndWhenGapsOrTheDisplayCountChange) {
    using Change = std::function<void(FakeOperatorSystemReadings&)>;
    struct Step {
        const char* name;
        Change change;
        std::optional<std::string> line;
    };
    const Step steps[] = {
        {"first reading", [](auto&) {}, "operator readiness — not ready, 1 missing: switchedOff; displays 1"},
        {"the same again", [](auto&) {}, std::nullopt},
        {"idle and power", [](auto& r) { r.idle = 300, r.onAC = false; }, std::nullopt},
        {"pixels", [](auto& r) { r.displayList = OperatorSystemReadings::Displays{1, OperatorCaps::Pixels{800, 600}}; },
         std::nullopt},
        {"two displays", [](auto& r) { r.displayList = OperatorSystemReadings::Displays{2, std::nullopt}; },
         "operator readiness — not ready, 1 missing: switchedOff; displays 2"},
        {"displays unknown", [](auto& r) { r.displayList.reset(); },
         "operator readiness — not ready, 2 missing: switchedOff, displaysUnknown; displays unknown"},
        {"still unknown", [](auto&) {}, std::nullopt},
        {"a gap closes", [](auto& r) { r.displayList = OperatorSystemReadings::Displays{2, std::nullopt}; },
         "operator readiness — not ready, 1 missing: switchedOff; displays 2"},
        {"locked", [](auto& r) { r.session = Json{{OperatorSystemReadings::lockedKey, true}, {OperatorSystemReadings::onConsoleKey, true}}; },
         "operator readiness — not ready, 2 missing: switchedOff, screenLocked; displays 2"},
    };
    auto permissions = make();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        tarvo::testing::CapturedTarvoLog log;
        step.change(*readings->fake);
        refresh(*permissions);
        const std::vector<std::string> lines = texts(log);
        if (step.line) {
            EXPECT_EQ(lines, std::vector<std::string>{"operator: " + *step.line});
        } else {
            EXPECT_TRUE(lines.empty());
        }
        ASSERT_TRUE(permissions->caps());
        EXPECT_EQ(permissions->caps()->idleSeconds, readings->fake->idle);
    }
    tarvo::testing::CapturedTarvoLog log;
    permissions->setAllowed(true);
    runUntil([&] { return happened.size() == 1; });
    refresh(*permissions);
    EXPECT_EQ(texts(log), std::vector<std::string>{"operator: operator switch on"})
        << "the switch is not a change of readiness";
    EXPECT_EQ(tarvo::TarvoLog::operatorLine(*permissions->caps()),
              "operator readiness — not ready, 1 missing: screenLocked; displays 2");
    readings->fake->session = Json{{OperatorSystemReadings::lockedKey, false}, {OperatorSystemReadings::onConsoleKey, true}};
    refresh(*permissions);
    EXPECT_EQ(texts(log).back(), "operator: operator readiness — ready; displays 2");
}

TEST_F(OperatorPermissionsReaderTest, CurrentIsTheRecentReadingWithThisComputersStatePutIn) {
    auto permissions = make();
    EXPECT_EQ(permissions->current(), std::nullopt) << "before any reading";
    refresh(*permissions);

    std::optional<OperatorCaps> caps = permissions->current();
    ASSERT_TRUE(caps);
    EXPECT_FALSE(caps->enabled);
    EXPECT_EQ(caps->willSleep, std::nullopt);
    EXPECT_EQ(caps->screenRecordingNeedsClick, std::nullopt);
    EXPECT_EQ(caps->keepAwake, true);
    const std::vector<std::string> eight{"list_files", "press_element", "type_text", "key",
                                         "scroll", "open_app", "read_file", "send_file"};
    ASSERT_TRUE(caps->stepKinds);
    EXPECT_EQ(std::set<std::string>(caps->stepKinds->begin(), caps->stepKinds->end()),
              std::set<std::string>(eight.begin(), eight.end()));
    EXPECT_EQ(caps->stepKinds->size(), 8u);
    const Json wire = *permissions->currentWire();
    EXPECT_FALSE(wire.contains("willSleep"));
    EXPECT_FALSE(wire.contains("screenRecordingNeedsClick"));
    EXPECT_EQ(wire["keepAwake"], true);

    permissions->setKeepAwake(false);
    permissions->screenRecordingNeedsClick = true;
    permissions->setAllowed(true);
    caps = permissions->current();
    ASSERT_TRUE(caps);
    EXPECT_TRUE(caps->enabled);
    EXPECT_EQ(caps->screenRecordingNeedsClick, true);
    EXPECT_EQ(caps->keepAwake, false);
    runUntil([&] { return happened.size() == 1; });

    const std::int64_t published = *permissions->caps()->idleSeconds;
    readings->fake->idle = 99;
    loop.loop.advance(35s);
    ASSERT_TRUE(permissions->current()) << "35 s old still stands for now";
    EXPECT_EQ(permissions->current()->idleSeconds, published) << "current never reads";
    loop.loop.advance(1ms);
    EXPECT_EQ(permissions->current(), std::nullopt);
    EXPECT_TRUE(permissions->caps()) << "the published reading stays for the views";
}

TEST_F(OperatorPermissionsReaderTest, StartingTwiceWatchesOnceAndReadsEveryTenSeconds) {
    auto permissions = make();
    permissions->startReading();
    permissions->startReading();
    EXPECT_EQ(events->watched, 1);
    // Each reading waited for until it is published, so that no refresh gives up on it.
    const auto published = [&](int idle) { return permissions->caps() && permissions->caps()->idleSeconds == idle; };
    readings->fake->idle = 1;
    runUntil([&] { return published(1); });
    EXPECT_EQ(readings->taken, 1);
    for (int reading = 2; reading <= 4; ++reading) {
        readings->fake->idle = reading;
        loop.loop.advance(9s);
        EXPECT_EQ(readings->taken, reading - 1);
        loop.loop.advance(1s);
        runUntil([&] { return published(reading); });
        EXPECT_EQ(readings->taken, reading);
    }
}

TEST_F(OperatorPermissionsReaderTest, SleepTakesNoReadingAndWakeReadsBeforeWakingTheLink) {
    auto permissions = make();
    permissions->startReading();
    runUntil([&] { return permissions->caps().has_value(); });
    watchWakes();

    events->handlers.willSleep();
    EXPECT_TRUE(permissions->willSleep());
    EXPECT_EQ(permissions->current()->willSleep, true);
    loop.loop.runReady();
    EXPECT_EQ(happened, std::vector<std::string>{"will sleep after 1 readings, link:"});

    events->handlers.didWake();
    runUntil([&] { return happened.size() == 3; });
    EXPECT_FALSE(permissions->willSleep());
    EXPECT_EQ(happened, (std::vector<std::string>{"will sleep after 1 readings, link:", "wake after 2 readings, link:",
                                                  "did wake after 2 readings, link: refreshKeepAwake"}));
}

TEST_F(OperatorPermissionsReaderTest, AChangeOfTheSystemReadsThenWakesTheLinkEvenOnceThePermissionsAreGone) {
    auto permissions = make();
    permissions->startReading();
    runUntil([&] { return permissions->caps().has_value(); });
    watchWakes();

    events->handlers.changed();
    runUntil([&] { return link->calls().size() == 1; });
    EXPECT_EQ(happened, std::vector<std::string>{"wake after 2 readings, link:"});

    permissions.reset();
    events->handlers.changed();
    runUntil([&] { return link->calls().size() == 2; });
    EXPECT_EQ(happened.back(), "wake after 2 readings, link: refreshKeepAwake");
    EXPECT_EQ(readings->taken, 2);
    events->handlers.didWake();
    events->handlers.willSleep();
    loop.loop.advance(1min);
    EXPECT_EQ(happened.size(), 2u) << "sleep and wake do nothing without the permissions";
}

TEST_F(OperatorPermissionsReaderTest, KeepAwakeChangesAreStoredAndTellTheLinkOnly) {
    tarvo::testing::CapturedTarvoLog log;
    auto permissions = make();
    watchWakes();
    permissions->setKeepAwake(false);
    loop.loop.advance(1min);
    EXPECT_EQ(defaults->object(KeepAwakeSetting::key), Json(false));
    EXPECT_EQ(link->calls(), std::vector<std::string>{"refreshKeepAwake"});
    EXPECT_TRUE(happened.empty());
    EXPECT_TRUE(log.entries().empty());
    EXPECT_EQ(readings->taken, 0);
}

TEST_F(OperatorPermissionsReaderTest, SettingsPanesGoToTheOpenerAndOnlyOpenSettingMarksTheTime) {
    auto permissions = make();
    permissions->openSettingsPane("Privacy_Microphone");
    EXPECT_EQ(permissions->settingOpenedAt, std::nullopt);
    loop.loop.advance(5s);
    permissions->openSetting(MacSettingPane::accessibility);
    EXPECT_EQ(permissions->settingOpenedAt, loop.clock->date());
    permissions->openSetting(MacSettingPane::fullDiskAccess);
    EXPECT_EQ(opener->opened, (std::vector<std::string>{
                                  "x-apple.systempreferences:com.apple.preference.security?Privacy_Microphone",
                                  "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility",
                                  "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles",
                              }));
}

TEST_F(OperatorPermissionsReaderTest, OverLogindsSignalsSleepWakeAndALockReachTheCompanionAndTheLink) {
    using tarvo::testing::PrivateBus;
    if (!PrivateBus::available()) {
        if (const char* ci = std::getenv("CI"); ci && std::string(ci) == "true") FAIL() << "dbus-daemon is missing";
        GTEST_SKIP() << "dbus-daemon is missing: install Debian's package dbus-daemon";
    }
    PrivateBus bus;
    tarvo::testing::StandInLogind logind(bus.address());
    auto permissions =
        make(std::make_shared<tarvo::LinuxOperatorSystemEvents>(bus.address(), [] { return std::nullopt; }));
    permissions->startReading();
    runUntil([&] { return logind.sessionQuestions() == 1 && permissions->caps().has_value(); });
    watchWakes();

    logind.prepareForSleep(true);
    runUntil([&] { return happened.size() == 1; });
    EXPECT_TRUE(permissions->willSleep());
    logind.prepareForSleep(false);
    runUntil([&] { return happened.size() == 3; });
    logind.emit("Lock");
    runUntil([&] { return link->calls().size() == 2; });
    EXPECT_EQ(happened, (std::vector<std::string>{
                            "will sleep after 1 readings, link:",
                            "wake after 2 readings, link:",
                            "did wake after 2 readings, link: refreshKeepAwake",
                            "wake after 3 readings, link: refreshKeepAwake",
                        }));
}

} // namespace
