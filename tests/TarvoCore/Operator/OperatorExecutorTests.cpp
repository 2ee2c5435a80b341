#include <gtest/gtest.h>

#include <cctype>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "OperatorExecutorTest.h"
#include "Support/CapturedPlainLog.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/OperatorPress.h"

using namespace tarvo;
using namespace tarvo::testing;

namespace {

using Conditions = OperatorSession::Conditions;
using Outcome = OperatorStepOutcome;
using Admitted = OperatorExecutor::Admitted;

// One step of each kind, as the service sends it.
const std::vector<std::string> everyKind{
    R"({"kind": "list_apps"})",
    R"({"kind": "look"})",
    R"({"kind": "read_screen_text", "app": "Notes"})",
    R"({"kind": "list_files", "query": "budget"})",
    R"({"kind": "read_file", "ref": "f_abcdefgh"})",
    R"({"kind": "send_file", "ref": "f_abcdefgh"})",
    R"({"kind": "open_app", "app": "Notes"})",
    R"({"kind": "press_element", "app": "Notes", "element": "7.3"})",
    R"({"kind": "type_text", "app": "Notes", "text": "milk"})",
    R"({"kind": "key", "app": "Notes", "key": "return"})",
    R"({"kind": "scroll", "app": "Notes", "direction": "down", "amount": 2})",
};

// What a stub runner was handed.
struct Handed {
    std::string kind;
    std::optional<OperatorSession::HeldQuestion> approvedFor;
};

Outcome acted(std::string_view kind) { return Outcome(Outcome::Acted{std::string(kind), {}}); }
OperatorSession::HeldQuestion question(std::string sentence) { return {std::move(sentence), std::nullopt}; }

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

Task<Outcome> stubRun(std::vector<Handed>* log, std::function<Outcome(const Admitted&)> answer, Admitted admitted) {
    log->push_back({std::string(admitted.step.kind()), admitted.approvedFor});
    co_return answer ? answer(admitted) : acted(admitted.step.kind());
}

// The digest with one hex digit changed.
std::string offByOne(std::string digest) {
    digest[10] = digest[10] == '0' ? '1' : '0';
    return digest;
}

} // namespace

class OperatorExecutorGate : public OperatorExecutorTest {
protected:
    std::vector<Handed> handed;

    // An executor whose admitted steps reach a stub that notes them and ends them done.
    OperatorExecutor stubbed(std::function<Outcome(const Admitted&)> answer = nullptr) {
        auto* log = &handed;
        OperatorExecutor::Runner runner = [log, answer](Admitted admitted) {
            return stubRun(log, answer, std::move(admitted));
        };
        return ports.executor().dispatchingTo(std::move(runner));
    }
    Outcome runStubbed(const OperatorExecutor& executor, const std::string& json,
                       std::optional<std::string> pressed = std::nullopt) {
        return run(executor, step(json), object(json), std::move(pressed));
    }
};

TEST_F(OperatorExecutorGate, AdmitsStoppedFirstThenReadinessThenTheBarForEveryClass) {
    struct Row {
        const char* what;
        bool live;
        bool ready;
        bool shown;
        std::optional<std::string_view> refusal;
    };
    const std::vector<Row> rows{
        {"stopped, not ready, bar hidden", false, false, false, OperatorSession::stoppedSentence},
        {"not ready, bar hidden", true, false, false, OperatorSession::notOperableSentence},
        {"bar hidden", true, true, false, OperatorSession::barNotShownSentence},
        {"admitted", true, true, true, std::nullopt},
    };
    for (const std::string& json : {everyKind[3], everyKind[1], everyKind[7]}) {
        for (const Row& row : rows) {
            ports = FakeOperatorPorts();
            handed.clear();
            if (row.live) ports.session->begin(runId);
            ports.conditions->conditions.switchOn = row.ready;
            ports.indicator->shown = row.shown;
            const Outcome outcome = runStubbed(stubbed(), json);
            if (row.refusal) {
                EXPECT_EQ(outcome, refused(*row.refusal)) << json << ": " << row.what;
                EXPECT_TRUE(handed.empty());
            } else {
                EXPECT_EQ(outcome, acted(step(json).kind())) << json;
            }
            const std::vector<std::string> reads{"current()", "isShown()"};
            EXPECT_EQ(ports.calls->log, row.live ? reads : std::vector<std::string>{})
                << "a run that is not live reads nothing";
        }
    }
}

TEST_F(OperatorExecutorGate, APressApprovesOnlyTheStepItWasForAndOnlyForTheQuestionAsked) {
    const auto heldFor = [&](const std::string& json) { return question("May Tarvo do " + json + "?"); };
    struct Row {
        const char* what;
        // Of the step's own object, the digest: its press is made from it.
        std::function<std::optional<std::string>(const std::string& digest)> pressed;
        bool withRaw = true;
        bool otherRaw = false;
        bool held = true;
        // Nothing when the step is refused with the press sentence.
        std::optional<bool> runsApproved;
    };
    const std::vector<Row> rows{
        {"no press", [](const std::string&) { return std::nullopt; }, true, false, false, false},
        {"matching", [](const std::string& d) { return d; }, true, false, true, true},
        {"matching, upper case", [](const std::string& d) { return upper(d); }, true, false, true, true},
        {"one digit off", [](const std::string& d) { return offByOne(d); }, true, false, true, std::nullopt},
        {"no step object", [](const std::string& d) { return d; }, false, false, true, std::nullopt},
        {"an object of another step", [](const std::string& d) { return d; }, true, true, true, std::nullopt},
        {"matching, never held", [](const std::string& d) { return d; }, true, false, false, false},
    };
    const std::string other = R"({"kind": "key", "app": "Notes", "key": "escape"})";
    for (const std::string& json : everyKind) {
        for (const Row& row : rows) {
            handed.clear();
            ports.session = std::make_shared<OperatorSession>();
            ports.session->begin(runId);
            const JSONValue::Object raw = object(row.otherRaw ? other : json);
            const std::string digest = OperatorPress::digest(runId, raw);
            if (row.held) ports.session->holdQuestion(runId, digest, heldFor(json));
            std::optional<JSONValue::Object> sent;
            if (row.withRaw) sent = raw;
            const Outcome outcome = run(stubbed(), step(json), sent, row.pressed(digest));

            if (!row.runsApproved) {
                EXPECT_EQ(outcome, refused(ActPolicy::pressedForAnotherSentence)) << json << ": " << row.what;
                EXPECT_TRUE(handed.empty()) << json << ": " << row.what;
                continue;
            }
            EXPECT_EQ(outcome, acted(step(json).kind())) << json << ": " << row.what;
            ASSERT_EQ(handed.size(), 1u) << json << ": " << row.what;
            EXPECT_EQ(handed[0].approvedFor, *row.runsApproved ? std::optional(heldFor(json)) : std::nullopt)
                << json << ": " << row.what;
            // Nothing is left to approve a second time.
            EXPECT_EQ(ports.session->takeHeldQuestion(runId, digest), std::nullopt) << json << ": " << row.what;
        }
    }
}

TEST_F(OperatorExecutorGate, AWrongPressIsRefusedOnlyOnceTheStepIsAdmitted) {
    ports.indicator->shown = false;
    EXPECT_EQ(run(R"({"kind": "look"})", std::string(64, '0')), refused(OperatorSession::barNotShownSentence));
}

TEST_F(OperatorExecutorGate, RecordsTheQuestionAStepWasHeldWithAndLetsOnePressTakeIt) {
    const std::string json = R"({"kind": "key", "app": "Notes", "key": "return"})";
    const std::string digest = OperatorPress::digest(runId, object(json));
    const Outcome held(Outcome::NeedsPress{"Press Return in Notes?", MacPermissionAsk::app});
    const OperatorSession::HeldQuestion asked{"Press Return in Notes?", MacPermissionAsk::app};
    // Holds until approved for exactly the question it asks.
    const auto runner = stubbed([&](const Admitted& admitted) {
        return admitted.approvedFor == asked ? acted("key") : held;
    });

    EXPECT_EQ(runStubbed(runner, json), held);
    EXPECT_EQ(runStubbed(runner, json, digest), acted("key"));
    EXPECT_EQ(handed.back().approvedFor, asked);
    EXPECT_EQ(runStubbed(runner, json, digest), held) << "the same press again approves nothing";
    EXPECT_EQ(handed.back().approvedFor, std::nullopt);
    EXPECT_EQ(runStubbed(runner, json, upper(digest)), acted("key")) << "held again, pressed again";

    // A question held while the run stopped being live is not kept.
    const auto replacing = stubbed([&](const Admitted&) {
        ports.session->begin("run-2");
        return held;
    });
    EXPECT_EQ(runStubbed(replacing, json), held);
    ASSERT_TRUE(ports.session->begin(runId));
    EXPECT_EQ(runStubbed(runner, json, digest), held);
    EXPECT_EQ(handed.back().approvedFor, std::nullopt);

    // A step without its object leaves nothing a press could match.
    ASSERT_TRUE(ports.session->takeHeldQuestion(runId, digest));
    EXPECT_EQ(run(runner, step(json), std::nullopt), held);
    EXPECT_EQ(runStubbed(runner, json, digest), held);
}

TEST_F(OperatorExecutorGate, HeldQuestionsGoWithTheRun) {
    const std::string json = R"({"kind": "type_text", "app": "Notes", "text": "milk"})";
    const Outcome held(Outcome::NeedsPress{"Type \u201Cmilk\u201D in Notes?", std::nullopt});
    const auto runner = stubbed([&](const Admitted& admitted) { return admitted.approvedFor ? acted("type_text") : held; });
    const std::vector<std::pair<const char*, std::function<void()>>> ends{
        {"stop", [&] { ports.session->stop(); }},
        {"ended", [&] { ports.session->ended(runId); }},
        {"another run began", [&] { ports.session->begin("run-2"); }},
    };
    int round = 0;
    for (const auto& [what, end] : ends) {
        runId = "run-" + std::to_string(10 + round++);
        ASSERT_TRUE(ports.session->begin(runId));
        const std::string digest = OperatorPress::digest(runId, object(json));
        EXPECT_EQ(runStubbed(runner, json), held) << what;
        end();
        const bool liveAgain = ports.session->begin(runId);
        EXPECT_EQ(ports.session->takeHeldQuestion(runId, digest), std::nullopt) << what;
        EXPECT_EQ(runStubbed(runner, json, digest), liveAgain ? held : refused(OperatorSession::stoppedSentence))
            << what;
    }
}

TEST_F(OperatorExecutorGate, NoErrorEscapesRun) {
    const CapturedPlainLog log;
    ports.calls->failing["runningApps"] = std::make_exception_ptr(std::runtime_error("lister broke"));
    EXPECT_EQ(run(R"({"kind": "list_apps"})"), failed("It did not work."));
    EXPECT_EQ(run(R"({"kind": "look"})"), failed("It did not work."));

    ports.calls->failing.clear();
    ports.calls->failing["isShown"] = std::make_exception_ptr(OperatorPortFailure("The bar broke."));
    EXPECT_EQ(run(R"({"kind": "look"})"), failed("It did not work."));

    ports.calls->failing.clear();
    const auto throwing = stubbed([](const Admitted&) -> Outcome { throw 42; });
    EXPECT_EQ(runStubbed(throwing, R"({"kind": "scroll", "app": "Notes", "direction": "up"})"), failed("It did not work."));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "tarvo: an operator step ended with an error: lister broke",
                               "tarvo: an operator step ended with an error: lister broke",
                               "tarvo: an operator step ended with an error: The bar broke.",
                               "tarvo: an operator step ended with an error: unknown",
                           }));
}

class OperatorExecutorScreen : public OperatorExecutorTest {};

TEST_F(OperatorExecutorScreen, ListsAppsInThePortsOrderLeavingOutTarvoAndTheTitlesOfWhatItNeverLooksAt) {
    RunningApp blankVault = vault;
    blankVault.windowTitles.clear();
    EXPECT_EQ(run(R"({"kind": "list_apps"})"), Outcome(Outcome::ListApps{{notes, blankVault, xterm}}));
    EXPECT_EQ(ports.calls->log, (std::vector<std::string>{"current()", "isShown()", "runningApps()"}))
        << "a list is not admitted again";
}

TEST_F(OperatorExecutorScreen, LooksAtTheWholeScreenWithoutWhatItNeverLooksAt) {
    EXPECT_EQ(run(R"({"kind": "look"})"), Outcome(Outcome::Look{ports.screen->picture}));
    const std::string capture =
        "capture(only: none, excluding: " + std::to_string(OperatorLookPolicy::neverLookedAt().size()) + ")";
    EXPECT_EQ(ports.calls->log, (std::vector<std::string>{"current()", "isShown()", "runningApps()", "current()",
                                                          "isShown()", capture}));
    EXPECT_EQ(ports.screen->excluded, OperatorLookPolicy::neverLookedAt());
}

TEST_F(OperatorExecutorScreen, LooksAtOneAppByNameOrBundleIdentifier) {
    for (const std::string json : {R"({"kind": "look", "app": "notes"})", R"({"kind": "look", "app": "COM.APPLE.NOTES"})",
                                   R"({"kind": "look", "app": "xterm"})"}) {
        ports.calls->log.clear();
        EXPECT_EQ(run(json), Outcome(Outcome::Look{ports.screen->picture})) << json;
        ASSERT_EQ(ports.calls->of("capture").size(), 1u) << json;
    }
    ports.calls->log.clear();
    run(R"({"kind": "look", "app": "notes"})");
    EXPECT_EQ(ports.calls->of("capture")[0].rfind("capture(only: Notes, excluding: ", 0), 0u);
}

TEST_F(OperatorExecutorScreen, RefusesToLookAtWhatIsNotOpenOrNeverLookedAtBeforeAnyCapture) {
    struct Row {
        std::string json;
        std::string refusal;
    };
    const std::vector<Row> rows{
        {R"({"kind": "look", "app": "Pages"})", "Pages is not open on this Mac."},
        {R"({"kind": "read_screen_text", "app": "Pages"})", "Pages is not open on this Mac."},
        {R"({"kind": "look", "app": "Bitwarden"})", std::string(OperatorLookPolicy::neverSentence)},
        {R"({"kind": "look", "app": "bitwarden"})", std::string(OperatorLookPolicy::neverSentence)},
        {R"({"kind": "look", "app": "Tarvo"})", std::string(OperatorLookPolicy::neverSentence)},
        {R"({"kind": "read_screen_text", "app": "Bitwarden"})", std::string(OperatorLookPolicy::neverSentence)},
    };
    for (const Row& row : rows) {
        ports.calls->log.clear();
        EXPECT_EQ(run(row.json), refused(row.refusal)) << row.json;
        EXPECT_EQ(ports.calls->log, (std::vector<std::string>{"current()", "isShown()", "runningApps()"})) << row.json;
    }
}

TEST_F(OperatorExecutorScreen, ReadsTheScreenTextOfTheFrontAppWithTheStepsGeneration) {
    ports.accessibility->answer.text = "AXWindow Groceries\n  [7.1] AXButton Add";
    ports.accessibility->answer.truncated = true;
    EXPECT_EQ(run(R"({"kind": "read_screen_text"})"),
              Outcome(Outcome::ReadScreenText{"Notes", "AXWindow Groceries\n  [7.1] AXButton Add", true, std::nullopt}))
        << "no elements are sent as none, not as an empty list";
    EXPECT_EQ(ports.calls->log,
              (std::vector<std::string>{"current()", "isShown()", "runningApps()", "frontmostBeforeTarvo()", "current()",
                                        "isShown()", "snapshot(of: Notes, generation: 7, budget: 6000)"}));

    ports.accessibility->answer.elements = {{"7.1", "AXButton", "Add", true}};
    generation = 8;
    const Outcome withElements = run(R"({"kind": "read_screen_text", "app": "xterm"})");
    EXPECT_EQ(withElements, Outcome(Outcome::ReadScreenText{"xterm", "AXWindow Groceries\n  [7.1] AXButton Add", true,
                                                            std::vector<MacElementInfo>{{"7.1", "AXButton", "Add", true}}}));
    EXPECT_EQ(ports.calls->log.back(), "snapshot(of: xterm, generation: 8, budget: 6000)");
}

TEST_F(OperatorExecutorScreen, ReadsTheAppThatWasInFrontBeforeTarvoCameForward) {
    RunningApp front = tarvo;
    front.frontmost = true;
    RunningApp behind = notes;
    behind.frontmost = false;
    ports.apps->apps = {front, behind, xterm};
    ports.apps->previousFront = xterm.pid;
    const Outcome outcome = run(R"({"kind": "read_screen_text"})");
    ASSERT_TRUE(std::holds_alternative<Outcome::ReadScreenText>(outcome.value()));
    EXPECT_EQ(std::get<Outcome::ReadScreenText>(outcome.value()).app, "xterm");

    ports.apps->previousFront = std::nullopt;
    EXPECT_EQ(run(R"({"kind": "read_screen_text"})"), refused(OperatorLookPolicy::neverSentence))
        << "Tarvo itself is in front";
    ports.apps->apps = {behind, xterm};
    EXPECT_EQ(run(R"({"kind": "read_screen_text"})"), refused(OperatorExecutor::noFrontAppSentence));

    RunningApp frontVault = vault;
    frontVault.frontmost = true;
    ports.apps->apps = {behind, frontVault};
    ports.calls->log.clear();
    EXPECT_EQ(run(R"({"kind": "read_screen_text"})"), refused(OperatorLookPolicy::neverSentence));
    EXPECT_TRUE(ports.calls->of("snapshot").empty());
}

TEST_F(OperatorExecutorScreen, FailsWithThePortsSentenceOrTheOperationsOwn) {
    struct Row {
        const char* operation;
        std::string json;
        std::exception_ptr error;
        std::string reason;
    };
    const std::vector<Row> rows{
        {"capture", R"({"kind": "look", "app": "Notes"})",
         std::make_exception_ptr(OperatorPortFailure("Notes has no window on screen.")), "Notes has no window on screen."},
        {"capture", R"({"kind": "look"})", std::make_exception_ptr(std::runtime_error("the encoder broke")),
         std::string(OperatorExecutor::captureFailedSentence)},
        {"capture", R"({"kind": "look"})", std::make_exception_ptr(OperatorPortFailure("")), "It did not work."},
        {"snapshot", R"({"kind": "read_screen_text"})",
         std::make_exception_ptr(OperatorPortFailure("Accessibility is off for Tarvo, so it cannot read the screen.")),
         "Accessibility is off for Tarvo, so it cannot read the screen."},
        {"snapshot", R"({"kind": "read_screen_text"})", std::make_exception_ptr(std::logic_error("no tree")),
         std::string(OperatorExecutor::screenTextFailedSentence)},
    };
    for (const Row& row : rows) {
        ports.calls->failing = {{row.operation, row.error}};
        const Outcome outcome = run(row.json);
        ASSERT_TRUE(std::holds_alternative<Outcome::Failed>(outcome.value())) << row.json;
        EXPECT_EQ(Outcome::fit(std::get<Outcome::Failed>(outcome.value()).reason), row.reason) << row.json;
    }
}

// A change at each port call of a screen step in turn: one made before the step's last admission
// refuses it, and nothing reads the screen after a stop.
TEST_F(OperatorExecutorScreen, AChangeAtAnyPortCallIsCaughtByTheNextAdmission) {
    struct Change {
        const char* what;
        std::function<void(FakeOperatorPorts&)> make;
        std::string refusal;
        // The refusal comes when the change was made at or before this read of the last admission.
        std::string lastRead;
    };
    const std::vector<Change> changes{
        {"stop", [](FakeOperatorPorts& p) { p.session->stop(); }, std::string(OperatorSession::stoppedSentence),
         "isShown()"},
        {"bar hidden", [](FakeOperatorPorts& p) { p.indicator->shown = false; },
         std::string(OperatorSession::barNotShownSentence), "isShown()"},
        {"accessibility off", [](FakeOperatorPorts& p) { p.conditions->conditions.accessibility = false; },
         "Accessibility is off for Tarvo on the Mac, so nothing was done.", "current()"},
    };
    const std::vector<std::string> steps{
        R"({"kind": "list_apps"})",
        R"({"kind": "look"})",
        R"({"kind": "look", "app": "Notes"})",
        R"({"kind": "read_screen_text"})",
        R"({"kind": "read_screen_text", "app": "Notes"})",
    };
    for (const std::string& json : steps) {
        ports = FakeOperatorPorts();
        ports.session->begin(runId);
        ports.apps->apps = {tarvo, notes, vault, xterm};
        const Outcome untouched = run(json);
        const std::vector<std::string> calls = ports.calls->log;
        ASSERT_FALSE(calls.empty());

        for (const Change& change : changes) {
            const std::size_t lastAdmission =
                calls.size() - static_cast<std::size_t>(std::find(calls.rbegin(), calls.rend(), change.lastRead) -
                                                        calls.rbegin());
            for (std::size_t k = 1; k <= calls.size(); ++k) {
                ports = FakeOperatorPorts();
                ports.session->begin(runId);
                ports.apps->apps = {tarvo, notes, vault, xterm};
                auto* changed = &ports;
                ports.calls->before[k] = [changed, &change] { change.make(*changed); };
                const Outcome outcome = run(json);
                const std::string where = json + ", " + change.what + " at call " + std::to_string(k);
                EXPECT_EQ(outcome, k <= lastAdmission ? refused(change.refusal) : untouched) << where;
                if (std::string(change.what) == "stop") {
                    for (std::size_t i = k; i < ports.calls->log.size(); ++i) {
                        const std::string& call = ports.calls->log[i];
                        EXPECT_TRUE(call.rfind("capture", 0) != 0 && call.rfind("snapshot", 0) != 0) << where << ": " << call;
                    }
                }
            }
        }
    }
}

TEST_F(OperatorExecutorScreen, OneStepAtATimeAcrossCopiesOfTheExecutor) {
    auto* log = &ports.calls->log;
    const auto noting = [log](OperatorExecutorTest* test, OperatorExecutor executor, std::string json,
                              std::string name, std::optional<Outcome>* into) -> Task<void> {
        OperatorStepRequest request = step(json);
        JSONValue::Object raw = object(json);
        Outcome outcome = co_await test->start(std::move(executor), std::move(request), std::move(raw), std::nullopt);
        log->push_back("outcome of " + name);
        *into = std::move(outcome);
    };
    std::optional<Outcome> first;
    std::optional<Outcome> second;
    const OperatorExecutor executor = ports.executor();
    const OperatorExecutor copy = executor;
    spawn(noting(this, executor, R"({"kind": "look"})", "look", &first));
    spawn(noting(this, copy, R"({"kind": "list_apps"})", "list", &second));
    while (!first || !second) ASSERT_TRUE(loop.loop.runOnce());

    const std::string capture =
        "capture(only: none, excluding: " + std::to_string(OperatorLookPolicy::neverLookedAt().size()) + ")";
    EXPECT_EQ(*log, (std::vector<std::string>{"current()", "isShown()", "runningApps()", "current()", "isShown()",
                                              capture, "outcome of look", "current()", "isShown()", "runningApps()",
                                              "outcome of list"}));
    EXPECT_TRUE(std::holds_alternative<Outcome::Look>(first->value()));
    EXPECT_TRUE(std::holds_alternative<Outcome::ListApps>(second->value()));
}

TEST_F(OperatorExecutorScreen, AStepStoppedWhileItWaitsItsTurnDoesNothing) {
    auto* session = ports.session.get();
    // The stop comes while the first step captures, with the second waiting behind it.
    ports.calls->before[6] = [session] { session->stop(); };
    std::optional<Outcome> first;
    std::optional<Outcome> second;
    const auto into = [](OperatorExecutorTest* test, OperatorExecutor executor, std::string json,
                         std::optional<Outcome>* out) -> Task<void> {
        OperatorStepRequest request = step(json);
        JSONValue::Object raw = object(json);
        *out = co_await test->start(std::move(executor), std::move(request), std::move(raw), std::nullopt);
    };
    const OperatorExecutor executor = ports.executor();
    spawn(into(this, executor, R"({"kind": "look"})", &first));
    spawn(into(this, executor, R"({"kind": "read_screen_text"})", &second));
    while (!first || !second) ASSERT_TRUE(loop.loop.runOnce());

    EXPECT_TRUE(std::holds_alternative<Outcome::Look>(first->value())) << "its last admission came before the stop";
    EXPECT_EQ(*second, refused(OperatorSession::stoppedSentence));
    EXPECT_EQ(ports.calls->log.size(), 6u) << "the second step asked no port anything";
}

TEST(OperatorPorts, AListerThatDoesNotTrackTheFormerFrontAppAnswersNone) {
    struct Lister final : AppListing {
        Task<std::vector<RunningApp>> runningApps() override { co_return std::vector<RunningApp>{}; }
    };
    LoopWithFakeClock loop;
    Lister lister;
    EXPECT_EQ(runUntilDone(loop.loop, lister.frontmostBeforeTarvo()), std::nullopt);
}

TEST(OperatorPorts, AFileOperatorThatCannotListAFolderSaysSoWhileItsSearchStillWorks) {
    struct Searcher final : FileOperating {
        std::string home() const override { return "/home/ann"; }
        Task<FoundFiles> search(std::string, std::int64_t) override {
            FoundFiles found;
            found.files.push_back(FoundFile{"/home/ann/Documents/budget.xlsx", 10, {}, false, std::nullopt});
            co_return found;
        }
        Task<FileText> readText(CheckedFile) override { co_return FileText(); }
        Task<Uploaded> upload(CheckedFile, std::string) override { co_return Uploaded(); }
    };
    LoopWithFakeClock loop;
    Searcher files;
    EXPECT_EQ(runUntilDone(loop.loop, files.search("budget", 10)).files.size(), 1u);
    try {
        runUntilDone(loop.loop, files.listFolder("/home/ann/Documents", "*", 10));
        ADD_FAILURE() << "a folder was listed";
    } catch (const OperatorPortFailure& failure) {
        EXPECT_EQ(failure.sentence, FileOperatingDefaults::listFolderSentence);
    }
}
