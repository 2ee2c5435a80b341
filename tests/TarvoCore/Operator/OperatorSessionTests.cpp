#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Support/FakeOperatorConditionsReading.h"
#include "TarvoCore/Operator/OperatorSession.h"
#include "TarvoCore/Operator/OperatorStopKeys.h"

using namespace tarvo;

namespace {

using Conditions = OperatorSession::Conditions;
using NotReady = OperatorSession::NotReady;
using Klass = MacCapabilityClass;

Conditions ready() { return tarvo::testing::FakeOperatorConditionsReading::ready(); }

Conditions readyBut(const std::function<void(Conditions&)>& change) {
    Conditions c = ready();
    change(c);
    return c;
}

const std::string accessibilityOff = "Accessibility is off for Tarvo on the Mac, so nothing was done.";
const std::string restart(OperatorSession::restartSentence);
const std::string notOperable(OperatorSession::notOperableSentence);
const std::string locked(OperatorSession::lockedSentence);
const std::string asleep(OperatorSession::displayAsleepSentence);

OperatorSession::HeldQuestion question(std::string sentence) { return {std::move(sentence), std::nullopt}; }

} // namespace

TEST(OperatorSession, WordsEachClassOfConditionsAsTheRulesSay) {
    struct Row {
        const char* what;
        Conditions conditions;
        Klass klass;
        std::vector<NotReady> refusals;
        std::optional<std::string> sentence;
    };
    const std::vector<Row> rows{
        {"all ready", ready(), Klass::act, {}, std::nullopt},
        {"no posting, screen", readyBut([](Conditions& c) { c.postEvent = false; }), Klass::screen, {}, std::nullopt},
        {"no posting, act", readyBut([](Conditions& c) { c.postEvent = false; }), Klass::act,
         {NotReady::cannotPostEvents}, restart},
        {"no posting, consequential", readyBut([](Conditions& c) { c.postEvent = false; }), Klass::consequential,
         {NotReady::cannotPostEvents}, restart},
        {"no accessibility nor posting",
         readyBut([](Conditions& c) { c.accessibility = c.postEvent = false; }), Klass::act,
         {NotReady::noAccessibility}, accessibilityOff},
        {"both screen permissions off",
         readyBut([](Conditions& c) { c.accessibility = c.screenRecording = false; }), Klass::screen,
         {NotReady::noAccessibility, NotReady::noScreenRecording},
         "Accessibility and Screen Recording are off for Tarvo on the Mac, so nothing was done."},
        {"screen permissions off, files",
         readyBut([](Conditions& c) { c.accessibility = c.screenRecording = false; }), Klass::files, {}, std::nullopt},
        {"locked, screen", readyBut([](Conditions& c) { c.unlockedAtScreen = false; }), Klass::screen,
         {NotReady::lockedOrAway}, locked},
        {"locked, act", readyBut([](Conditions& c) { c.unlockedAtScreen = false; }), Klass::act,
         {NotReady::lockedOrAway}, locked},
        {"locked, files", readyBut([](Conditions& c) { c.unlockedAtScreen = false; }), Klass::files, {}, std::nullopt},
        {"locked and asleep, files only by folder consent",
         readyBut([](Conditions& c) {
             c.unlockedAtScreen = c.fullDiskAccess = c.accessibility = c.screenRecording = false;
             c.displayAsleep = true;
         }),
         Klass::files, {}, std::nullopt},
        {"files with neither disk access nor consent",
         readyBut([](Conditions& c) { c.fullDiskAccess = c.folderConsent = false; }), Klass::files,
         {NotReady::noFullDiskAccess}, "Full Disk Access is off for Tarvo on the Mac, so nothing was done."},
        {"files signed out", readyBut([](Conditions& c) { c.signedIn = false; }), Klass::files,
         {NotReady::signedOut}, notOperable},
        {"asleep, keep-awake on", readyBut([](Conditions& c) { c.displayAsleep = c.keepAwake = true; }), Klass::screen,
         {}, std::nullopt},
        {"asleep, keep-awake off", readyBut([](Conditions& c) { c.displayAsleep = true; }), Klass::screen,
         {NotReady::displayAsleep}, asleep},
        {"asleep, keep-awake off, no screen recording",
         readyBut([](Conditions& c) {
             c.displayAsleep = true;
             c.screenRecording = false;
         }),
         Klass::screen, {NotReady::noScreenRecording, NotReady::displayAsleep},
         "Screen Recording is off for Tarvo on the Mac, so nothing was done."},
        {"asleep and locked, keep-awake on",
         readyBut([](Conditions& c) {
             c.displayAsleep = c.keepAwake = true;
             c.unlockedAtScreen = false;
         }),
         Klass::act, {NotReady::lockedOrAway, NotReady::displayAsleep}, locked},
        {"switched off with other gaps",
         readyBut([](Conditions& c) {
             c.switchOn = c.accessibility = c.unlockedAtScreen = false;
             c.displayAsleep = true;
         }),
         Klass::screen,
         {NotReady::switchedOff, NotReady::noAccessibility, NotReady::lockedOrAway, NotReady::displayAsleep},
         notOperable},
        {"switched off, files", readyBut([](Conditions& c) { c.switchOn = false; }), Klass::files,
         {NotReady::switchedOff}, notOperable},
        {"signed out and locked", readyBut([](Conditions& c) { c.signedIn = c.unlockedAtScreen = false; }),
         Klass::screen, {NotReady::signedOut, NotReady::lockedOrAway}, notOperable},
        {"everything off", Conditions{}, Klass::consequential,
         {NotReady::switchedOff, NotReady::noAccessibility, NotReady::noScreenRecording, NotReady::signedOut,
          NotReady::lockedOrAway},
         notOperable},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(OperatorSession::refusals(row.conditions, row.klass), row.refusals) << row.what;
        EXPECT_EQ(OperatorSession::refusalSentence(row.conditions, row.klass), row.sentence) << row.what;
    }
}

TEST(OperatorSession, NamesPermissionsInTheListsOrder) {
    using L = std::vector<NotReady>;
    EXPECT_EQ(OperatorSession::permissionSentence(L{NotReady::cannotPostEvents}), restart);
    EXPECT_EQ(OperatorSession::permissionSentence(L{}), restart);
    EXPECT_EQ(OperatorSession::permissionSentence(L{NotReady::noFullDiskAccess, NotReady::noAccessibility}),
              "Full Disk Access and Accessibility are off for Tarvo on the Mac, so nothing was done.");
    EXPECT_EQ(OperatorSession::permissionSentence(
                  L{NotReady::noAccessibility, NotReady::cannotPostEvents, NotReady::noScreenRecording,
                    NotReady::noFullDiskAccess}),
              "Accessibility, Screen Recording and Full Disk Access are off for Tarvo on the Mac, so nothing was done.");
}

TEST(OperatorSession, TellsTheLinkWhatItMayAskFor) {
    EXPECT_EQ(OperatorSession::can(ready()), (std::vector<std::string>{"files", "screen", "act"}));
    EXPECT_EQ(OperatorSession::readyClasses(ready()),
              (std::vector{Klass::files, Klass::screen, Klass::act, Klass::consequential}));
    EXPECT_TRUE(OperatorSession::mayPoll(ready()));

    const Conditions noPosting = readyBut([](Conditions& c) { c.postEvent = false; });
    EXPECT_EQ(OperatorSession::can(noPosting), (std::vector<std::string>{"files", "screen"}));

    const Conditions lockedOut = readyBut([](Conditions& c) { c.unlockedAtScreen = false; });
    EXPECT_EQ(OperatorSession::can(lockedOut), std::vector<std::string>{"files"});
    EXPECT_EQ(OperatorSession::pollRefusals(lockedOut), std::vector{NotReady::lockedOrAway});
    EXPECT_TRUE(OperatorSession::mayPoll(lockedOut));

    const Conditions signedOut = readyBut([](Conditions& c) { c.signedIn = false; });
    EXPECT_FALSE(OperatorSession::mayPoll(signedOut)) << "files lack only the sign-in";
    EXPECT_TRUE(OperatorSession::endsTheRun(signedOut));
    EXPECT_TRUE(OperatorSession::endsTheRun(readyBut([](Conditions& c) { c.switchOn = false; })));
    EXPECT_FALSE(OperatorSession::endsTheRun(lockedOut));
    EXPECT_FALSE(OperatorSession::endsTheRun(readyBut([](Conditions& c) { c.accessibility = false; })));

    const Conditions nothingGranted = readyBut([](Conditions& c) {
        c.accessibility = c.screenRecording = c.fullDiskAccess = c.folderConsent = false;
    });
    EXPECT_TRUE(OperatorSession::can(nothingGranted).empty());
    EXPECT_FALSE(OperatorSession::mayPoll(nothingGranted));
}

TEST(OperatorSession, BuildsConditionsFromACapabilityReading) {
    const Conditions none = Conditions::from(std::nullopt, true);
    Conditions onlySignedIn;
    onlySignedIn.signedIn = true;
    EXPECT_EQ(none, onlySignedIn);
    EXPECT_FALSE(OperatorSession::mayPoll(none));

    OperatorCaps caps{.enabled = true,
                      .accessibility = true,
                      .screenRecording = false,
                      .postEvent = true,
                      .sessionLocked = false,
                      .onConsole = true,
                      .displayAsleep = true,
                      .fullDiskAccess = std::nullopt,
                      .keepAwake = true,
                      .folderConsent = true};
    Conditions expected;
    expected.switchOn = true;
    expected.accessibility = true;
    expected.signedIn = false;
    expected.unlockedAtScreen = true;
    expected.postEvent = true;
    expected.folderConsent = true;
    expected.displayAsleep = true;
    expected.keepAwake = true;
    EXPECT_EQ(Conditions::from(caps, false), expected);

    struct Screen {
        std::optional<bool> locked;
        std::optional<bool> onConsole;
        bool unlocked;
    };
    for (const Screen row : {Screen{false, true, true}, Screen{std::nullopt, true, false}, Screen{false, std::nullopt, false},
                             Screen{true, true, false}, Screen{false, false, false}}) {
        caps.sessionLocked = row.locked;
        caps.onConsole = row.onConsole;
        EXPECT_EQ(Conditions::from(caps, true).unlockedAtScreen, row.unlocked);
    }
    caps.displayAsleep = std::nullopt;
    EXPECT_FALSE(Conditions::from(caps, true).displayAsleep) << "an unknown display counts as awake";
}

TEST(OperatorSession, NamesItsReasonsAndTheStopKeys) {
    for (const NotReady reason : OperatorSession::allNotReady) {
        EXPECT_EQ(OperatorSession::notReady(OperatorSession::rawValue(reason)), reason);
    }
    EXPECT_EQ(OperatorSession::rawValue(NotReady::cannotPostEvents), "cannotPostEvents");
    EXPECT_EQ(OperatorSession::notReady("SwitchedOff"), std::nullopt);
    EXPECT_EQ(OperatorSession::notReady(""), std::nullopt);

    EXPECT_EQ(OperatorStopKeys::keyCode, 47u);
    EXPECT_EQ(OperatorStopKeys::carbonModifiers, 6400u);
    EXPECT_EQ(OperatorStopKeys::signature, 0x54415256u);
    EXPECT_EQ(OperatorStopKeys::spoken, "Control-Option-Command-period");
}

TEST(OperatorSession, KeepsStoppedRunsStoppedAndOnlyTheLiveRunAdmitted) {
    OperatorSession session({"old-1", "old-2"});
    const auto admitted = OperatorSession::Admission::admitted();
    const auto stopped = OperatorSession::Admission::refused(std::string(OperatorSession::stoppedSentence));

    EXPECT_EQ(session.liveRunId(), std::nullopt);
    EXPECT_FALSE(session.begin("old-1"));
    EXPECT_EQ(session.liveRunId(), std::nullopt);
    EXPECT_EQ(session.admit("old-2", Klass::files, true, ready()), stopped);
    EXPECT_EQ(session.admit("new", Klass::files, true, ready()), stopped) << "no run is live";
    EXPECT_EQ(session.stop(), std::nullopt);

    EXPECT_TRUE(session.begin("run-1"));
    EXPECT_TRUE(session.isLive("run-1"));
    EXPECT_EQ(session.admit("run-1", Klass::act, true, ready()), admitted);
    EXPECT_EQ(session.admit("run-0", Klass::act, true, ready()), stopped) << "another run is live";

    session.ended("elsewhere");
    EXPECT_TRUE(session.isStopped("elsewhere"));
    EXPECT_EQ(session.liveRunId(), "run-1");

    EXPECT_TRUE(session.begin("run-2"));
    EXPECT_FALSE(session.isStopped("run-1")) << "a run replaced is not stopped";
    EXPECT_EQ(session.stop(), "run-2");
    EXPECT_EQ(session.stop(), std::nullopt);
    EXPECT_TRUE(session.isStopped("run-2"));
    EXPECT_FALSE(session.begin("run-2"));
    EXPECT_EQ(session.admit("run-2", Klass::screen, true, ready()), stopped);

    EXPECT_TRUE(session.begin("run-3"));
    session.ended("run-3");
    EXPECT_EQ(session.liveRunId(), std::nullopt);
    EXPECT_FALSE(session.isLive("run-3"));
}

TEST(OperatorSession, AdmitsInTheOrderStoppedReadinessBarForEveryClass) {
    OperatorSession session({"stopped"});
    ASSERT_TRUE(session.begin("live"));
    const Conditions off = readyBut([](Conditions& c) { c.switchOn = false; });
    struct Row {
        const char* runId;
        Conditions conditions;
        bool barShown;
        std::optional<std::string_view> refusal;
    };
    const std::vector<Row> rows{
        {"stopped", off, false, OperatorSession::stoppedSentence},
        {"other", off, false, OperatorSession::stoppedSentence},
        {"live", off, false, OperatorSession::notOperableSentence},
        {"live", ready(), false, OperatorSession::barNotShownSentence},
        {"live", ready(), true, std::nullopt},
    };
    for (const Klass klass : allMacCapabilityClasses) {
        for (const Row& row : rows) {
            const OperatorSession::Admission admission = session.admit(row.runId, klass, row.barShown, row.conditions);
            EXPECT_EQ(admission.refusal(), row.refusal) << rawValue(klass) << " " << row.runId;
            EXPECT_EQ(admission.isAdmitted(), !row.refusal);
        }
    }
    const Conditions noAccessibility = readyBut([](Conditions& c) { c.accessibility = false; });
    EXPECT_EQ(session.admit("live", Klass::screen, false, noAccessibility).refusal(), accessibilityOff);
    EXPECT_EQ(session.admit("live", Klass::files, false, noAccessibility).refusal(),
              std::string(OperatorSession::barNotShownSentence));
}

TEST(OperatorSession, HoldsQuestionsForTheLiveRunOnlyAndHandsEachOutOnce) {
    OperatorSession session;
    session.holdQuestion("run-1", "d1", question("Press Send?"));
    ASSERT_TRUE(session.begin("run-1"));
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d1"), std::nullopt) << "nothing is kept for a run not live";

    session.holdQuestion("run-1", "d1", question("Press Send?"));
    session.holdQuestion("run-1", "d2", question("Type it?"));
    session.holdQuestion("run-0", "d3", question("Another run's?"));
    EXPECT_EQ(session.takeHeldQuestion("run-0", "d3"), std::nullopt);
    EXPECT_EQ(session.takeHeldQuestion("run-2", "d1"), std::nullopt);
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d1"), question("Press Send?"));
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d1"), std::nullopt) << "taken once";

    session.holdQuestion("run-1", "d2", question("Type it now?"));
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d2"), question("Type it now?")) << "the newest question counts";
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d2"), std::nullopt);

    session.holdQuestion("run-1", "d1", question("Press Send?"));
    ASSERT_TRUE(session.begin("run-1"));
    EXPECT_EQ(session.takeHeldQuestion("run-1", "d1"), question("Press Send?")) << "the same run began again";

    const std::vector<std::pair<const char*, std::function<void(OperatorSession&)>>> clears{
        {"stop", [](OperatorSession& s) { s.stop(); }},
        {"ended", [](OperatorSession& s) { s.ended("run-1"); }},
        {"another run", [](OperatorSession& s) { s.begin("run-9"); }},
    };
    for (const auto& [what, clear] : clears) {
        OperatorSession fresh;
        ASSERT_TRUE(fresh.begin("run-1")) << what;
        fresh.holdQuestion("run-1", "d1", question("Press Send?"));
        fresh.ended("unrelated");
        clear(fresh);
        fresh.begin("run-1");
        EXPECT_EQ(fresh.takeHeldQuestion("run-1", "d1"), std::nullopt) << what;
        EXPECT_EQ(fresh.takeHeldQuestion("run-9", "d1"), std::nullopt) << what;
    }
}

TEST(OperatorSession, KeepsABoundedNumberOfHeldQuestions) {
    OperatorSession session;
    ASSERT_TRUE(session.begin("run"));
    const std::size_t asked = OperatorSession::heldQuestionsKept + 3;
    for (std::size_t i = 0; i < asked; ++i) {
        session.holdQuestion("run", "d" + std::to_string(i), question("Q" + std::to_string(i)));
    }
    for (std::size_t i = 0; i < asked; ++i) {
        const bool kept = i >= asked - OperatorSession::heldQuestionsKept;
        EXPECT_EQ(session.takeHeldQuestion("run", "d" + std::to_string(i)).has_value(), kept) << i;
    }
}

TEST(OperatorSession, NeverAdmitsARunOnceAnotherThreadStoppedIt) {
    OperatorSession session;
    constexpr int rounds = 2000;
    std::atomic<int> begun{0};
    std::atomic<bool> done{false};
    std::atomic<int> admittedAfterStop{0};

    std::thread stopper([&] {
        while (!done) {
            if (const auto id = session.stop()) {
                // Every admission from now on must refuse it.
                if (session.admit(*id, Klass::files, true, ready()).isAdmitted()) ++admittedAfterStop;
            }
        }
    });
    for (int i = 0; i < rounds; ++i) {
        const std::string runId = "run-" + std::to_string(i);
        if (!session.begin(runId)) continue;
        ++begun;
        for (int k = 0; k < 20; ++k) {
            const bool stoppedBefore = session.isStopped(runId);
            const bool admitted = session.admit(runId, Klass::files, true, ready()).isAdmitted();
            EXPECT_FALSE(stoppedBefore && admitted) << runId;
            if (stoppedBefore) {
                EXPECT_FALSE(session.begin(runId)) << runId;
            }
        }
    }
    done = true;
    stopper.join();
    EXPECT_EQ(admittedAfterStop.load(), 0);
    EXPECT_GT(begun.load(), 0);
}
