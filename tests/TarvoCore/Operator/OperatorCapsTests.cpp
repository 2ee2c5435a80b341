#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Support/FakeOperatorSystemReadings.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCore/Operator/OperatorCaps.h"
#include "TarvoCore/Operator/OperatorSwitch.h"
#include "TarvoCore/Operator/OperatorSwitchChange.h"

using tarvo::Json;
using tarvo::MacCapabilityClass;
using tarvo::MacClassGap;
using tarvo::MacPresenceGap;
using tarvo::OperatorCaps;
using tarvo::OperatorGap;
using tarvo::OperatorSystemReadings;
using tarvo::OperatorSwitchChange;
using tarvo::testing::FakeOperatorSystemReadings;

namespace {

// A reading with nothing in the way.
OperatorCaps readyCaps() {
    return OperatorCaps{.enabled = true,
                        .accessibility = true,
                        .screenRecording = true,
                        .postEvent = true,
                        .sessionLocked = false,
                        .onConsole = true,
                        .osSupported = true,
                        .displayCount = 1,
                        .fullDiskAccess = true};
}

OperatorCaps changed(std::function<void(OperatorCaps&)> change) {
    OperatorCaps caps = readyCaps();
    change(caps);
    return caps;
}

// Compared as unordered objects: the order of the wire's keys carries no meaning.
nlohmann::json unordered(const Json& wire) { return nlohmann::json::parse(wire.dump()); }

MacClassGap base(OperatorGap gap) { return MacClassGap::base(gap); }
MacClassGap presence(MacPresenceGap gap) { return MacClassGap::presence(gap); }

} // namespace

TEST(OperatorGap, CodesAndSentencesInTheirOrder) {
    const std::vector<std::pair<std::string_view, std::string_view>> expected{
        {"switchedOff", "It is switched off. Turn on \u201CAllow Tarvo to operate this Mac\u201D in the Tarvo menu."},
        {"osTooOld", "This Mac needs macOS 14 or later."},
        {"osUnknown", "Tarvo cannot tell which macOS this is."},
        {"accessibilityOff", "Accessibility is off for Tarvo."},
        {"accessibilityUnknown", "Tarvo cannot tell whether Accessibility is on."},
        {"screenRecordingOff", "Screen Recording is off for Tarvo."},
        {"screenRecordingUnknown", "Tarvo cannot tell whether Screen Recording is on."},
        {"cannotPostEvents", "Tarvo needs a restart to finish setting up. Restart Tarvo."},
        {"postEventsUnknown", "Tarvo cannot tell whether it has finished setting up."},
        {"screenLocked", "The screen is locked."},
        {"lockUnknown", "Tarvo cannot tell whether the screen is locked."},
        {"notAtScreen", "Someone else is using this Mac's screen."},
        {"consoleUnknown", "Tarvo cannot tell who is using this Mac's screen."},
        {"noDisplay", "No screen is connected to this Mac."},
        {"displaysUnknown", "Tarvo cannot tell whether a screen is connected."},
    };
    std::vector<std::pair<std::string_view, std::string_view>> actual;
    for (const OperatorGap gap : tarvo::allOperatorGaps) actual.emplace_back(rawValue(gap), sentence(gap));
    EXPECT_EQ(actual, expected);

    const std::vector<std::pair<std::string_view, std::string_view>> presenceExpected{
        {"displayAsleep", "The display is asleep."},
        {"fullDiskAccessOff", "Full Disk Access is off for Tarvo."},
        {"fullDiskAccessUnknown", "Tarvo cannot tell whether Full Disk Access is on."},
    };
    std::vector<std::pair<std::string_view, std::string_view>> presenceActual;
    for (const MacPresenceGap gap : tarvo::allMacPresenceGaps) {
        presenceActual.emplace_back(presence(gap).code(), presence(gap).sentence());
    }
    EXPECT_EQ(presenceActual, presenceExpected);
    EXPECT_EQ(base(OperatorGap::noDisplay).code(), "noDisplay");
    EXPECT_NE(base(OperatorGap::noDisplay), base(OperatorGap::displaysUnknown));
}

TEST(OperatorCaps, ReadKeepsUnknownApartFromFalse) {
    struct Case {
        const char* name;
        std::function<void(FakeOperatorSystemReadings&)> system;
        std::function<void(OperatorCaps&)> expected;
    };
    const Json locked{{OperatorSystemReadings::lockedKey, true}, {OperatorSystemReadings::onConsoleKey, false}};
    const std::vector<Case> cases{
        {"a ready Mac", [](auto&) {}, [](auto&) {}},
        {"no session", [](auto& s) { s.session.reset(); },
         [](auto& c) {
             c.sessionLocked.reset();
             c.onConsole.reset();
         }},
        {"an empty session", [](auto& s) { s.session = Json::object(); }, [](auto& c) { c.onConsole.reset(); }},
        {"session values that are not booleans",
         [](auto& s) {
             s.session = Json{{OperatorSystemReadings::lockedKey, 1}, {OperatorSystemReadings::onConsoleKey, "yes"}};
         },
         [](auto& c) { c.onConsole.reset(); }},
        {"a locked screen away from the console", [&](auto& s) { s.session = locked; },
         [](auto& c) {
             c.sessionLocked = true;
             c.onConsole = false;
         }},
        {"a session that is not an object", [](auto& s) { s.session = Json::array({true}); },
         [](auto& c) {
             c.sessionLocked.reset();
             c.onConsole.reset();
         }},
        {"macOS 13", [](auto& s) { s.majorVersion = 13; }, [](auto& c) { c.osSupported = false; }},
        {"macOS 14", [](auto& s) { s.majorVersion = 14; }, [](auto&) {}},
        {"an unknown system", [](auto& s) { s.majorVersion.reset(); }, [](auto& c) { c.osSupported.reset(); }},
        {"no display", [](auto& s) { s.displayList = OperatorSystemReadings::Displays{0, std::nullopt}; },
         [](auto& c) {
             c.displayCount = 0;
             c.mainDisplayPixels.reset();
         }},
        {"a failing display list", [](auto& s) { s.displayList.reset(); },
         [](auto& c) {
             c.displayCount.reset();
             c.mainDisplayPixels.reset();
         }},
        {"permissions unknown and refused",
         [](auto& s) {
             s.accessibility.reset();
             s.screenCapture = false;
             s.postEvent.reset();
         },
         [](auto& c) {
             c.accessibility.reset();
             c.screenRecording = false;
             c.postEvent.reset();
         }},
        {"the other readings unknown",
         [](auto& s) {
             s.asleep.reset();
             s.diskAccess.reset();
             s.idle.reset();
             s.onAC.reset();
         },
         [](auto& c) {
             c.displayAsleep.reset();
             c.fullDiskAccess.reset();
             c.idleSeconds.reset();
             c.acPower.reset();
         }},
    };
    for (const bool enabled : {true, false}) {
        for (const Case& c : cases) {
            FakeOperatorSystemReadings system;
            c.system(system);
            OperatorCaps expected{.enabled = enabled,
                                  .accessibility = true,
                                  .screenRecording = true,
                                  .postEvent = true,
                                  .sessionLocked = false,
                                  .onConsole = true,
                                  .osSupported = true,
                                  .displayCount = 1,
                                  .mainDisplayPixels = OperatorCaps::Pixels{3024, 1964},
                                  .displayAsleep = false,
                                  .fullDiskAccess = true,
                                  .idleSeconds = 4,
                                  .acPower = true,
                                  .folderConsent = true,
                                  .filesInFolder = true};
            c.expected(expected);
            EXPECT_EQ(OperatorCaps::read(enabled, system), expected) << c.name << (enabled ? "" : ", switched off");
        }
    }
}

TEST(OperatorCaps, GapsInTheirFixedOrder) {
    using Gaps = std::vector<OperatorGap>;
    struct Case {
        const char* name;
        OperatorCaps caps;
        Gaps gaps;
    };
    const std::vector<Case> cases{
        {"ready", readyCaps(), {}},
        {"switched off", changed([](auto& c) { c.enabled = false; }), {OperatorGap::switchedOff}},
        {"os too old", changed([](auto& c) { c.osSupported = false; }), {OperatorGap::osTooOld}},
        {"os unknown", changed([](auto& c) { c.osSupported.reset(); }), {OperatorGap::osUnknown}},
        {"accessibility off hides a refused post-event permission",
         changed([](auto& c) {
             c.accessibility = false;
             c.postEvent = false;
         }),
         {OperatorGap::accessibilityOff}},
        {"accessibility unknown hides an unknown post-event permission",
         changed([](auto& c) {
             c.accessibility.reset();
             c.postEvent.reset();
         }),
         {OperatorGap::accessibilityUnknown}},
        {"screen recording off", changed([](auto& c) { c.screenRecording = false; }), {OperatorGap::screenRecordingOff}},
        {"screen recording unknown", changed([](auto& c) { c.screenRecording.reset(); }),
         {OperatorGap::screenRecordingUnknown}},
        {"cannot post events", changed([](auto& c) { c.postEvent = false; }), {OperatorGap::cannotPostEvents}},
        {"post events unknown", changed([](auto& c) { c.postEvent.reset(); }), {OperatorGap::postEventsUnknown}},
        {"screen locked", changed([](auto& c) { c.sessionLocked = true; }), {OperatorGap::screenLocked}},
        {"lock unknown", changed([](auto& c) { c.sessionLocked.reset(); }), {OperatorGap::lockUnknown}},
        {"not at the screen", changed([](auto& c) { c.onConsole = false; }), {OperatorGap::notAtScreen}},
        {"console unknown", changed([](auto& c) { c.onConsole.reset(); }), {OperatorGap::consoleUnknown}},
        {"no display", changed([](auto& c) { c.displayCount = 0; }), {OperatorGap::noDisplay}},
        {"a negative display count", changed([](auto& c) { c.displayCount = -1; }), {OperatorGap::noDisplay}},
        {"displays unknown", changed([](auto& c) { c.displayCount.reset(); }), {OperatorGap::displaysUnknown}},
        {"sleep, files, power and idle never stand in the way",
         changed([](auto& c) {
             c.displayAsleep = true;
             c.fullDiskAccess = false;
             c.acPower = false;
             c.idleSeconds = 9000;
             c.keepAwake = false;
             c.willSleep = true;
             c.screenRecordingNeedsClick = true;
         }),
         {}},
        {"switched off and nothing known", OperatorCaps{.accessibility = true},
         {OperatorGap::switchedOff, OperatorGap::osUnknown, OperatorGap::screenRecordingUnknown,
          OperatorGap::postEventsUnknown, OperatorGap::lockUnknown, OperatorGap::consoleUnknown,
          OperatorGap::displaysUnknown}},
        {"everything refused",
         OperatorCaps{.enabled = false,
                      .accessibility = true,
                      .screenRecording = false,
                      .postEvent = false,
                      .sessionLocked = true,
                      .onConsole = false,
                      .osSupported = false,
                      .displayCount = 0},
         {OperatorGap::switchedOff, OperatorGap::osTooOld, OperatorGap::screenRecordingOff, OperatorGap::cannotPostEvents,
          OperatorGap::screenLocked, OperatorGap::notAtScreen, OperatorGap::noDisplay}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.caps.gaps(), c.gaps) << c.name;
        EXPECT_EQ(c.caps.ready(), c.gaps.empty()) << c.name;
    }
}

TEST(OperatorCaps, GapsPerCapabilityClass) {
    using Gaps = std::vector<MacClassGap>;
    using enum MacCapabilityClass;
    struct Case {
        const char* name;
        OperatorCaps caps;
        MacCapabilityClass forClass;
        bool filesWhileLocked;
        Gaps gaps;
    };
    const OperatorCaps asleep = changed([](auto& c) { c.displayAsleep = true; });
    const OperatorCaps noPosting = changed([](auto& c) { c.postEvent = false; });
    const OperatorCaps lockedWithoutDisk = changed([](auto& c) {
        c.sessionLocked = true;
        c.fullDiskAccess = false;
        c.accessibility = false;
        c.onConsole.reset();
        c.displayCount.reset();
    });
    const OperatorCaps nothingKnown{.enabled = false, .accessibility = true, .displayAsleep = true};
    const Gaps screenNothingKnown{base(OperatorGap::switchedOff),        base(OperatorGap::osUnknown),
                                  base(OperatorGap::screenRecordingUnknown), base(OperatorGap::lockUnknown),
                                  base(OperatorGap::consoleUnknown),     base(OperatorGap::displaysUnknown),
                                  presence(MacPresenceGap::displayAsleep)};
    Gaps actNothingKnown = screenNothingKnown;
    actNothingKnown.insert(actNothingKnown.begin() + 3, base(OperatorGap::postEventsUnknown));
    const std::vector<Case> cases{
        {"ready for the screen", readyCaps(), screen, false, {}},
        {"ready for files", readyCaps(), files, false, {}},
        {"a sleeping display for the screen", asleep, screen, false, {presence(MacPresenceGap::displayAsleep)}},
        {"a sleeping display for files", asleep, files, false, {presence(MacPresenceGap::displayAsleep)}},
        {"a sleeping display for files while locked", asleep, files, true, {}},
        {"posting refused is no gap for the screen", noPosting, screen, false, {}},
        {"posting refused for acts", noPosting, act, false, {base(OperatorGap::cannotPostEvents)}},
        {"posting refused for consequential acts", noPosting, consequential, false,
         {base(OperatorGap::cannotPostEvents)}},
        {"nothing known for the screen", nothingKnown, screen, false, screenNothingKnown},
        {"nothing known for acts", nothingKnown, act, false, actNothingKnown},
        {"nothing known for files", nothingKnown, files, false,
         {base(OperatorGap::switchedOff), base(OperatorGap::osUnknown),
          presence(MacPresenceGap::fullDiskAccessUnknown), base(OperatorGap::lockUnknown),
          presence(MacPresenceGap::displayAsleep)}},
        {"nothing known for files while locked", nothingKnown, files, true,
         {base(OperatorGap::switchedOff), base(OperatorGap::osUnknown),
          presence(MacPresenceGap::fullDiskAccessUnknown)}},
        {"files locked without disk access", lockedWithoutDisk, files, false,
         {presence(MacPresenceGap::fullDiskAccessOff), base(OperatorGap::screenLocked)}},
        {"files while locked without disk access", lockedWithoutDisk, files, true,
         {presence(MacPresenceGap::fullDiskAccessOff)}},
        {"folder consent stands in for disk access",
         [&] {
             OperatorCaps caps = lockedWithoutDisk;
             caps.folderConsent = true;
             return caps;
         }(),
         files, true, {}},
        {"folder consent refused is no consent",
         [&] {
             OperatorCaps caps = lockedWithoutDisk;
             caps.folderConsent = false;
             return caps;
         }(),
         files, true, {presence(MacPresenceGap::fullDiskAccessOff)}},
        {"locked acts", lockedWithoutDisk, act, false,
         {base(OperatorGap::accessibilityOff), base(OperatorGap::screenLocked), base(OperatorGap::consoleUnknown),
          base(OperatorGap::displaysUnknown)}},
        {"locked acts are locked whatever files may do", lockedWithoutDisk, act, true,
         {base(OperatorGap::accessibilityOff), base(OperatorGap::screenLocked), base(OperatorGap::consoleUnknown),
          base(OperatorGap::displaysUnknown)}},
    };
    for (const Case& c : cases) {
        const Gaps gaps = c.caps.gaps(c.forClass, c.filesWhileLocked);
        std::string codes;
        for (const MacClassGap& gap : gaps) codes += std::string(gap.code()) + " ";
        EXPECT_EQ(gaps, c.gaps) << c.name << ": " << codes;
    }
}

TEST(OperatorCaps, WireLeavesOutWhatIsUnknown) {
    struct Case {
        const char* name;
        OperatorCaps caps;
        const char* wire;
    };
    const std::vector<Case> cases{
        {"nothing known", OperatorCaps{}, R"({"enabled": false})"},
        {"every field",
         OperatorCaps{.enabled = true,
                      .accessibility = true,
                      .screenRecording = false,
                      .postEvent = true,
                      .sessionLocked = false,
                      .onConsole = true,
                      .osSupported = true,
                      .displayCount = 2,
                      .mainDisplayPixels = OperatorCaps::Pixels{3024, 1964},
                      .displayAsleep = false,
                      .fullDiskAccess = false,
                      .idleSeconds = 75,
                      .acPower = false,
                      .keepAwake = true,
                      .stepKinds = std::vector<std::string>{"look", "press_element"},
                      .willSleep = true,
                      .screenRecordingNeedsClick = true,
                      .folderConsent = true,
                      .filesInFolder = true},
         R"({"enabled": true, "accessibility": true, "screenRecording": false, "postEvent": true,
             "sessionLocked": false, "onConsole": true, "osSupported": true, "displayCount": 2,
             "mainDisplayPixels": {"width": 3024, "height": 1964}, "displayAsleep": false,
             "fullDiskAccess": false, "idleSeconds": 75, "onAC": false, "keepAwake": true,
             "stepKinds": ["look", "press_element"], "willSleep": true, "screenRecordingNeedsClick": true,
             "folderConsent": true, "filesInFolder": true})"},
        {"flags that are false are left out, a negative idle time is sent as 0, no step kinds is an empty list",
         OperatorCaps{.enabled = true,
                      .idleSeconds = -3,
                      .acPower = true,
                      .stepKinds = std::vector<std::string>{},
                      .willSleep = false,
                      .screenRecordingNeedsClick = false,
                      .folderConsent = false,
                      .filesInFolder = false},
         R"({"enabled": true, "idleSeconds": 0, "onAC": true, "stepKinds": []})"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(unordered(c.caps.wire()), nlohmann::json::parse(c.wire)) << c.name;
    }
}

TEST(OperatorCaps, AFreshReadAnnouncesFolderConsentAndLeavesOutAFailedDisplayList) {
    FakeOperatorSystemReadings system;
    system.displayList.reset();
    const nlohmann::json wire = unordered(OperatorCaps::read(true, system).wire());
    EXPECT_EQ(wire.value("folderConsent", false), true);
    EXPECT_EQ(wire.value("filesInFolder", false), true);
    EXPECT_FALSE(wire.contains("displayCount"));
    EXPECT_FALSE(wire.contains("mainDisplayPixels"));
    EXPECT_FALSE(wire.contains("keepAwake"));
    EXPECT_FALSE(wire.contains("stepKinds"));
}

TEST(OperatorSwitch, OffUntilTurnedOnAndStoredUnderItsKey) {
    tarvo::MemorySettingsStore store;
    EXPECT_FALSE(tarvo::OperatorSwitch::isOn(store));
    tarvo::OperatorSwitch::set(true, store);
    EXPECT_TRUE(tarvo::OperatorSwitch::isOn(store));
    EXPECT_EQ(store.object("TarvoOperatorAllowed"), Json(true));
    tarvo::OperatorSwitch::set(false, store);
    EXPECT_FALSE(tarvo::OperatorSwitch::isOn(store));
    store.set(Json("yes"), "TarvoOperatorAllowed");
    EXPECT_FALSE(tarvo::OperatorSwitch::isOn(store));
}

TEST(OperatorSwitchChange, TurningOffStopsTheLiveRunFirst) {
    using Changes = std::vector<OperatorSwitchChange>;
    const Changes after{OperatorSwitchChange::readMacOS, OperatorSwitchChange::wakeOperatorLoop,
                        OperatorSwitchChange::refreshKeepAwake, OperatorSwitchChange::sendHeartbeat};
    EXPECT_EQ(OperatorSwitchChange::then(true), after);
    Changes off{OperatorSwitchChange::stopLiveRun};
    off.insert(off.end(), after.begin(), after.end());
    EXPECT_EQ(OperatorSwitchChange::then(false), off);
}
