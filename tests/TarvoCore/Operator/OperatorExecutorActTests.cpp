#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "OperatorExecutorTest.h"
#include "TarvoCore/Operator/MacPermissionPolicy.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/OperatorPress.h"

using namespace tarvo;
using namespace tarvo::testing;

namespace {

using Outcome = OperatorStepOutcome;
using Question = OperatorSession::HeldQuestion;

Outcome held(std::string sentence, std::optional<MacPermissionAsk> asks = std::nullopt) {
    return Outcome(Question{std::move(sentence), asks});
}

// The outcome's code and its sentence, for comparing outcomes whose screen read differs.
std::string summary(const Outcome& outcome) {
    if (const auto* refused = std::get_if<Outcome::Refused>(&outcome.value())) return "refused: " + refused->reason;
    if (const auto* failed = std::get_if<Outcome::Failed>(&outcome.value())) return "failed: " + failed->reason;
    if (const auto* press = std::get_if<Outcome::NeedsPress>(&outcome.value())) return "needsPress: " + press->sentence;
    return outcome.code();
}

ActTarget button(std::string title) { return ActTarget{"AXButton", std::nullopt, std::move(title), {}, {}, {}, true}; }
ActTarget field(std::optional<std::string> subrole = std::nullopt) {
    return ActTarget{"AXTextField", std::move(subrole), "Message", {}, {}, {}, true};
}

// The element an act is judged by: the one pressed or typed into.
std::optional<std::string> judgedElementOf(const OperatorStepRequest& step) {
    if (const auto* press = std::get_if<OperatorStepRequest::PressElement>(&step.value())) return press->element;
    if (const auto* type = std::get_if<OperatorStepRequest::TypeText>(&step.value())) return type->element;
    return std::nullopt;
}

// The port call that is the act itself.
std::string actCall(const OperatorStepRequest& step) {
    const std::string_view kind = step.kind();
    if (kind == "press_element") return "press(";
    if (kind == "type_text") return "type(";
    return std::string(kind) + "(";
}

} // namespace

class OperatorExecutorActs : public OperatorExecutorTest {
protected:
    RunningApp chat{"Signal", "org.signal.Signal", 104, false, false, {"Chats"}};

    OperatorExecutorActs() {
        ports.acts->elements = {{"7.3", button("Next")}, {"7.4", field()}, {"7.5", button("Send")}};
        ports.acts->installed = {{"Notes", {"Notes", "com.apple.Notes"}}, {"Bitwarden", {"Bitwarden", "bitwarden"}}};
        ports.acts->openable = {{"Notes", notes}};
    }

    Outcome pressedRun(const std::string& json) { return run(json, OperatorPress::digest(runId, object(json))); }
    Outcome actedIn(const std::string& kind, const RunningApp& app) {
        return Outcome(Outcome::Acted{kind, ScreenAfter{app.name, ports.accessibility->answer.text, false, std::nullopt}});
    }
};

TEST_F(OperatorExecutorActs, ActsOnTheFrontAppAndReadsItAfter) {
    EXPECT_EQ(run(R"({"kind": "press_element", "app": "Notes", "element": "7.3"})"), actedIn("press_element", notes));
    EXPECT_EQ(run(R"({"kind": "type_text", "app": "Notes", "text": "milk"})"), actedIn("type_text", notes));
    EXPECT_EQ(run(R"({"kind": "key", "app": "notes", "key": "down", "modifiers": ["shift"]})"), actedIn("key", notes));
    EXPECT_EQ(run(R"({"kind": "scroll", "app": "com.apple.Notes", "direction": "down", "amount": 3})"),
              actedIn("scroll", notes));
    EXPECT_EQ(ports.acts->landed, (std::vector<std::string>{"press 7.3 in Notes", "type \"milk\" in Notes",
                                                            "key down in Notes", "scroll down in Notes"}));
    EXPECT_EQ(ports.calls->of("type"), std::vector<std::string>{"type(\"milk\", into: none, in: Notes)"});
    EXPECT_EQ(ports.calls->of("describe").size(), 2u) << "the press's target, judged and judged again; none for typing";
    EXPECT_EQ(ports.calls->of("snapshot").back(), "snapshot(of: Notes, generation: 7, budget: 6000)");
}

TEST_F(OperatorExecutorActs, RefusesWhatItMayNotActOnBeforeAnyAct) {
    ports.acts->elements["7.6"] = field("AXSecureTextField");
    ports.apps->apps.push_back(chat);
    const RunningApp disguised{"Notes", "bitwarden", 101, true, false, {}};
    struct Case {
        const char* json;
        std::optional<RunningApp> front;
        Outcome expect;
    };
    const std::vector<Case> cases{
        {R"({"kind": "press_element", "app": "Signal", "element": "7.3"})", notes,
         refused(ActPolicy::notInFrontSentence("Signal"))},
        {R"({"kind": "key", "app": "Notes", "key": "a"})", std::nullopt, refused(ActPolicy::notInFrontSentence("Notes"))},
        {R"({"kind": "scroll", "app": "Notes", "direction": "up"})", disguised, refused(OperatorLookPolicy::neverSentence)},
        {R"({"kind": "press_element", "app": "Notes", "element": "3.1"})", notes,
         refused(ActPolicy::staleControlSentence("Notes"))},
        {R"({"kind": "type_text", "app": "Notes", "element": "3.1", "text": "x"})", notes,
         refused(ActPolicy::staleControlSentence("Notes"))},
        {R"({"kind": "type_text", "app": "Notes", "element": "7.6", "text": "hunter2"})", notes,
         refused(ActPolicy::neverTypeSecretSentence)},
        {R"({"kind": "open_app", "app": "Pixelmator"})", notes, refused("Pixelmator" + std::string(OperatorExecutor::notInstalledTail))},
        {R"({"kind": "open_app", "app": "Bitwarden"})", notes, refused(OperatorLookPolicy::neverSentence)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        ports.acts->frontApp = c.front;
        ports.calls->log.clear();
        EXPECT_EQ(run(c.json), c.expect);
        EXPECT_TRUE(ports.acts->landed.empty());
        EXPECT_TRUE(ports.calls->of("open").empty());
        if (c.expect == refused(ActPolicy::notInFrontSentence("Signal"))) {
            EXPECT_TRUE(ports.calls->of("describe").empty());
        }
    }
}

TEST_F(OperatorExecutorActs, HoldsConsequentialActsAndActsOutsideThePermitUntilTheUserPresses) {
    ports.acts->frontApp = chat;
    const std::string send = R"({"kind": "press_element", "app": "Signal", "element": "7.5"})";
    const std::string next = R"({"kind": "press_element", "app": "Signal", "element": "7.3"})";
    const Outcome sendQuestion = held(*ActPolicy::hold(step(send), button("Send"), chat.bundleId));
    permit = MacPermit{MacPermissionMode::ask, {}, {}};

    EXPECT_EQ(run(send), sendQuestion) << "the act's own question comes first and asks for nothing for good";
    EXPECT_EQ(run(next), held(MacPermissionPolicy::appQuestion("press_element", "Signal"), MacPermissionAsk::app));
    EXPECT_TRUE(ports.acts->landed.empty());
    EXPECT_EQ(summary(pressedRun(send)), "done.press_element") << "the press is enough, whatever the permit";
    EXPECT_EQ(summary(pressedRun(next)), "done.press_element");
    permit = MacPermit{MacPermissionMode::ask, {}, {"signal"}};
    EXPECT_EQ(summary(run(next)), "done.press_element");
    EXPECT_EQ(ports.acts->landed, (std::vector<std::string>{"press 7.5 in Signal", "press 7.3 in Signal",
                                                            "press 7.3 in Signal"}));

    permit = MacPermit{MacPermissionMode::ask, {}, {}};
    const std::string open = R"({"kind": "open_app", "app": "Notes"})";
    EXPECT_EQ(run(open), held(MacPermissionPolicy::appQuestion("open_app", "Notes"), MacPermissionAsk::app));
    EXPECT_TRUE(ports.calls->of("open").empty());
    EXPECT_EQ(pressedRun(open), actedIn("open_app", notes));
}

TEST_F(OperatorExecutorActs, APressLiftsTheHoldsButNoneOfTheRefusals) {
    const std::string send = R"({"kind": "press_element", "app": "Signal", "element": "7.5"})";
    const std::string typing = R"({"kind": "type_text", "app": "Signal", "element": "7.4", "text": "see you\n"})";
    struct Case {
        const char* what;
        std::string json;
        std::function<void()> change;
        Outcome expect;
    };
    const std::vector<Case> cases{
        {"the control went away", send, [&] { ports.acts->elements.erase("7.5"); },
         refused(ActPolicy::staleControlSentence("Signal"))},
        {"the field became a password field", typing, [&] { ports.acts->elements["7.4"] = field("AXSecureTextField"); },
         refused(ActPolicy::neverTypeSecretSentence)},
        {"another app came to the front", send, [&] { ports.acts->frontApp = notes; },
         refused(ActPolicy::notInFrontSentence("Signal"))},
        {"the app in front is one Tarvo never looks at", send,
         [&] { ports.acts->frontApp = RunningApp{"Signal", "bitwarden", 104, true, false, {}}; },
         refused(OperatorLookPolicy::neverSentence)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ports.acts->frontApp = chat;
        ports.acts->elements = {{"7.4", field()}, {"7.5", button("Send")}};
        ASSERT_TRUE(std::holds_alternative<Outcome::NeedsPress>(run(c.json).value()));
        c.change();
        EXPECT_EQ(pressedRun(c.json), c.expect);
    }
    EXPECT_TRUE(ports.acts->landed.empty());
}

TEST_F(OperatorExecutorActs, NeverPressesItsOwnStopKeysAndSaysSoOnlyOnceAdmitted) {
    const OperatorStepRequest stopKey(OperatorStepRequest::Key{"Notes", ".", {"command"}});
    EXPECT_EQ(run(ports.executor(), stopKey, std::nullopt), refused(OperatorExecutor::stopKeysSentence));
    ports.indicator->shown = false;
    EXPECT_EQ(run(ports.executor(), stopKey, std::nullopt), refused(OperatorSession::barNotShownSentence));
    EXPECT_TRUE(ports.calls->of("key").empty());
}

TEST_F(OperatorExecutorActs, OpensAnAppByTheStepsNameThenReadsWhatIsInFront) {
    ports.acts->installed["notes"] = {"Notes", "com.apple.Notes"};
    ports.acts->openable["notes"] = notes;
    EXPECT_EQ(run(R"({"kind": "open_app", "app": "notes"})"), actedIn("open_app", notes));
    EXPECT_EQ(ports.calls->of("open"), std::vector<std::string>{"open(notes)"});

    ports.acts->openable["Bitwarden"] = vault;
    ports.acts->installed["Vault"] = {"Vault", std::nullopt};
    ports.acts->openable["Vault"] = vault;
    EXPECT_EQ(run(R"({"kind": "open_app", "app": "Vault"})"),
              Outcome(Outcome::Acted{"open_app", ScreenAfter{"Bitwarden", "", false, std::nullopt}}))
        << "an app that brought a password manager forward is not read";

    ports.acts->installed["Mail"] = {"Mail", "com.apple.mail"};
    EXPECT_EQ(run(R"({"kind": "open_app", "app": "Mail"})"), failed("Mail" + std::string(OperatorExecutor::notOpenedTail)));
}

TEST_F(OperatorExecutorActs, AnActThatFailsFailsAndAReadThatFailsAfterAnActStillActed) {
    ports.calls->failing["scroll"] = std::make_exception_ptr(std::runtime_error("no wheel"));
    EXPECT_EQ(run(R"({"kind": "scroll", "app": "Notes", "direction": "down"})"),
              failed(OperatorExecutor::actFailedSentence("Notes")));
    ports.calls->failing["scroll"] = std::make_exception_ptr(OperatorPortFailure(ActPolicy::notInFrontSentence("Notes")));
    EXPECT_EQ(run(R"({"kind": "scroll", "app": "Notes", "direction": "down"})"),
              failed(ActPolicy::notInFrontSentence("Notes")));
    ports.calls->failing.clear();
    ports.calls->failing["snapshot"] = std::make_exception_ptr(std::runtime_error("tree gone"));
    EXPECT_EQ(run(R"({"kind": "scroll", "app": "Notes", "direction": "down"})"),
              Outcome(Outcome::Acted{"scroll", ScreenAfter{"Notes", "", false, std::nullopt}}));
}

// What the world does at one port call of an act, and what the act must end in for it.
TEST_F(OperatorExecutorActs, NothingTheWorldDoesAtAnyCallLetsAnUnjudgedActLand) {
    struct Kind {
        std::string json;
        // What retitling or securing the element makes of the act, when it has an element.
        std::optional<std::string> changedTarget;
    };
    const std::vector<Kind> kinds{
        {R"({"kind": "press_element", "app": "Notes", "element": "7.3"})",
         "needsPress: " + *ActPolicy::hold(step(R"({"kind": "press_element", "app": "Notes", "element": "7.3"})"),
                                           button("Send"), notes.bundleId)},
        {R"({"kind": "type_text", "app": "Notes", "element": "7.4", "text": "milk"})",
         "refused: " + std::string(ActPolicy::neverTypeSecretSentence)},
        {R"({"kind": "type_text", "app": "Notes", "text": "milk"})", std::nullopt},
        {R"({"kind": "key", "app": "Notes", "key": "return"})", std::nullopt},
        {R"({"kind": "scroll", "app": "Notes", "direction": "down"})", std::nullopt},
    };
    enum class Disturbance { stop, otherAppInFront, targetChanged, barHidden };
    int round = 0;
    for (const Kind& kind : kinds) {
        const OperatorStepRequest request = step(kind.json);
        const std::string done = "done." + std::string(request.kind());
        const auto fresh = [&] {
            // A run once stopped stays stopped, so each round has a run of its own.
            runId = "run-" + std::to_string(++round);
            ports.session->begin(runId);
            ports.indicator->shown = true;
            ports.acts->frontApp = notes;
            ports.acts->elements = {{"7.3", button("Next")}, {"7.4", field()}};
            ports.acts->landed.clear();
            ports.calls->log.clear();
        };
        // The calls of an undisturbed run, to find the act and the last reads of the bar and the front.
        fresh();
        ASSERT_EQ(summary(run(kind.json)), done);
        const std::vector<std::string> clean = ports.calls->log;
        std::size_t actAt = 0;
        std::size_t shownAt = 0;
        std::size_t frontAt = 0;
        for (std::size_t i = 0; i < clean.size(); ++i) {
            if (clean[i].starts_with(actCall(request))) {
                actAt = i + 1;
            }
            if (clean[i] == "isShown()" && actAt == 0) shownAt = i + 1;
            if (clean[i] == "front()" && actAt == 0) frontAt = i + 1;
        }
        ASSERT_GT(actAt, shownAt);
        const std::string lastCheck = judgedElementOf(request) ? "describe(" : "front()";

        for (const Disturbance disturbance : {Disturbance::stop, Disturbance::otherAppInFront,
                                              Disturbance::targetChanged, Disturbance::barHidden}) {
            for (std::size_t k = 1; k <= clean.size(); ++k) {
                SCOPED_TRACE(kind.json + " disturbed " + std::to_string(int(disturbance)) + " at call " +
                             std::to_string(k));
                fresh();
                std::vector<std::string> violations;
                ports.acts->atAct = [&](const RunningApp& in) {
                    // A change made while the act itself is asked for is past every check.
                    if (k != actAt) {
                        const auto& log = ports.calls->log;
                        if (log.size() < 2 || !log[log.size() - 2].starts_with(lastCheck)) violations.push_back("awaited after the checks");
                        if (in != notes) violations.push_back("not the front app that was judged");
                        if (!ports.session->isLive(runId)) violations.push_back("acted in a stopped run");
                        std::optional<ActTarget> now;
                        if (auto element = judgedElementOf(request); element && ports.acts->elements.contains(*element)) {
                            now = ports.acts->elements.at(*element);
                        }
                        if (ActPolicy::hold(request, now, in.bundleId)) violations.push_back("an unpressed hold");
                        if (now && now->isSecure()) violations.push_back("typed into a password field");
                    }
                };
                ports.calls->before[k] = [&] {
                    switch (disturbance) {
                    case Disturbance::stop: ports.session->stop(); break;
                    case Disturbance::otherAppInFront: ports.acts->frontApp = chat; break;
                    case Disturbance::targetChanged:
                        ports.acts->elements["7.3"] = button("Send");
                        ports.acts->elements["7.4"] = field("AXSecureTextField");
                        break;
                    case Disturbance::barHidden: ports.indicator->shown = false; break;
                    }
                };
                const std::string outcome = summary(run(kind.json));
                ports.calls->before.clear();
                ports.acts->atAct = nullptr;
                EXPECT_TRUE(violations.empty()) << violations.front();

                std::string expect = done;
                if (k < actAt) {
                    switch (disturbance) {
                    case Disturbance::stop: expect = "refused: " + std::string(OperatorSession::stoppedSentence); break;
                    case Disturbance::otherAppInFront:
                        // After the last look at the front, the act aimed at the judged app's
                        // process fails rather than land in the app now in front.
                        expect = (k <= frontAt ? "refused: " : "failed: ") + ActPolicy::notInFrontSentence("Notes");
                        break;
                    case Disturbance::targetChanged: expect = kind.changedTarget.value_or(done); break;
                    case Disturbance::barHidden:
                        if (k <= shownAt) expect = "refused: " + std::string(OperatorSession::barNotShownSentence);
                        break;
                    }
                } else if (k == actAt && disturbance == Disturbance::otherAppInFront) {
                    expect = "failed: " + ActPolicy::notInFrontSentence("Notes");
                }
                EXPECT_EQ(outcome, expect);
                EXPECT_EQ(ports.acts->landed.size(), expect == done ? 1u : 0u);
            }
        }
    }
}

TEST_F(OperatorExecutorActs, APressSendsOneKeyHoweverOftenTheStepComesBack) {
    ports.acts->frontApp = chat;
    const std::string key = R"({"kind": "key", "app": "Signal", "key": "return"})";
    const Outcome question = held(*ActPolicy::hold(step(key), std::nullopt, chat.bundleId));
    EXPECT_EQ(run(key), question);
    EXPECT_EQ(summary(pressedRun(key)), "done.key");
    EXPECT_EQ(pressedRun(key), question) << "a press counts once";
    EXPECT_EQ(ports.acts->landed, std::vector<std::string>{"key return in Signal"});
    EXPECT_EQ(summary(pressedRun(key)), "done.key");
    EXPECT_EQ(ports.acts->landed.size(), 2u);
}
