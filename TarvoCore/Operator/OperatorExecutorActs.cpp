#include <exception>
#include <utility>
#include <vector>

#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/MacPermissionPolicy.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/OperatorLookPolicy.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

using Outcome = OperatorStepOutcome;
using HeldQuestion = OperatorSession::HeldQuestion;
using Step = OperatorStepRequest;

// The element whose target the act is judged by: the pressed one, or the one typed into.
std::optional<std::string> judgedElement(const Step& step) {
    if (const auto* press = std::get_if<Step::PressElement>(&step.value())) return press->element;
    if (const auto* type = std::get_if<Step::TypeText>(&step.value())) return type->element;
    return std::nullopt;
}

bool isTyping(const Step& step) { return std::holds_alternative<Step::TypeText>(step.value()); }

bool isStopKey(const Step& step) {
    const auto* key = std::get_if<Step::Key>(&step.value());
    return key && key->key == ".";
}

// Why an act may not go to `target`, when it may not.
std::optional<Outcome> targetRefusal(const Step& step, const std::string& app, const std::optional<ActTarget>& target) {
    if (!target) return Outcome::refused(ActPolicy::staleControlSentence(app));
    if (isTyping(step) && target->isSecure()) return Outcome::refused(ActPolicy::neverTypeSecretSentence);
    return std::nullopt;
}

// The same process of the same app: a new app under the old process id is not the app judged.
bool isSameApp(const std::optional<RunningApp>& now, const RunningApp& judged) {
    return now && now->pid == judged.pid && now->bundleId == judged.bundleId;
}

Outcome emptyAfter(std::string kind, std::string app) {
    return Outcome(Outcome::Acted{std::move(kind), ScreenAfter{std::move(app), "", false, std::nullopt}});
}

} // namespace

std::string OperatorExecutor::actFailedSentence(std::string_view app) {
    return "That did not work in " + std::string(app) + ".";
}

Task<OperatorStepOutcome> OperatorExecutor::act(std::string runId, OperatorStepRequest step, std::int64_t generation,
                                                std::optional<HeldQuestion> approvedFor,
                                                std::optional<MacPermit> permit) const {
    if (const auto* open = std::get_if<Step::OpenApp>(&step.value())) {
        co_return co_await openApp(std::move(runId), open->app, generation, std::move(approvedFor), std::move(permit));
    }
    const std::optional<std::string> named = step.actApp();
    if (!named) co_return Outcome::refused(namesNoAppSentence);
    const std::string app = *named;

    const std::optional<RunningApp> front = co_await acts_->front();
    if (!front || !ActPolicy::isFront(app, front)) co_return Outcome::refused(ActPolicy::notInFrontSentence(app));
    if (!OperatorLookPolicy::mayLookAt(*front)) co_return Outcome::refused(OperatorLookPolicy::neverSentence);

    std::optional<ActTarget> target;
    if (const std::optional<std::string> element = judgedElement(step)) {
        target = co_await acts_->describe(*element, *front);
        if (auto refusal = targetRefusal(step, app, target)) co_return std::move(*refusal);
    }

    std::optional<HeldQuestion> question;
    if (auto sentence = ActPolicy::hold(step, target, front->bundleId)) {
        question = HeldQuestion{std::move(*sentence), std::nullopt};
    } else if (permit) {
        const std::vector<std::optional<std::string>> alsoKnownAs{front->name, front->bundleId};
        if (auto hold = MacPermissionPolicy::actHold(step.kind(), app, alsoKnownAs, *permit)) {
            question = questionOf(std::move(*hold));
        }
    }
    if (question) {
        if (auto ending = heldUnless(approvedFor, std::move(*question))) co_return std::move(*ending);
    }
    co_return co_await actInFront(std::move(runId), std::move(step), app, *front, generation, std::move(approvedFor));
}

Task<OperatorStepOutcome> OperatorExecutor::actInFront(std::string runId, OperatorStepRequest step, std::string app,
                                                       RunningApp front, std::int64_t generation,
                                                       std::optional<HeldQuestion> approvedFor) const {
    if (!session_->isLive(runId)) co_return Outcome::refused(OperatorSession::stoppedSentence);
    const OperatorSession::Conditions conditions = co_await conditions_->current();
    const bool shown = co_await indicator_->isShown();
    // A key or text with no element goes wherever the focus is, so the app judged must still be
    // the one in front.
    const std::optional<RunningApp> now = co_await acts_->front();
    if (!isSameApp(now, front)) co_return Outcome::refused(ActPolicy::notInFrontSentence(app));
    if (const std::optional<std::string> element = judgedElement(step)) {
        // A control can change under its id, a "Next" become a "Send": it is judged as it is now.
        const std::optional<ActTarget> target = co_await acts_->describe(*element, front);
        if (auto refusal = targetRefusal(step, app, target)) co_return std::move(*refusal);
        if (auto sentence = ActPolicy::hold(step, target, front.bundleId)) {
            if (auto ending = heldUnless(approvedFor, HeldQuestion{std::move(*sentence), std::nullopt})) {
                co_return std::move(*ending);
            }
        }
    }
    const OperatorSession::Admission admitted = session_->admit(runId, MacCapabilityClass::act, shown, conditions);
    if (const auto refusal = admitted.refusal()) co_return Outcome::refused(*refusal);
    if (isStopKey(step)) co_return Outcome::refused(stopKeysSentence);

    std::exception_ptr error;
    try {
        co_await perform(step, front);
    } catch (...) {
        error = std::current_exception();
    }
    if (error) co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, actFailedSentence(app)));
    co_await acts_->settle();
    co_return co_await readAfter(std::string(step.kind()), std::move(front), generation);
}

Task<void> OperatorExecutor::perform(OperatorStepRequest step, RunningApp in) const {
    if (const auto* press = std::get_if<Step::PressElement>(&step.value())) {
        co_await acts_->press(press->element, std::move(in));
    } else if (const auto* type = std::get_if<Step::TypeText>(&step.value())) {
        co_await acts_->type(type->text, type->element, std::move(in));
    } else if (const auto* key = std::get_if<Step::Key>(&step.value())) {
        co_await acts_->key(key->key, key->modifiers, std::move(in));
    } else if (const auto* scroll = std::get_if<Step::Scroll>(&step.value())) {
        co_await acts_->scroll(scroll->direction, scroll->amount, std::move(in));
    }
}

Task<OperatorStepOutcome> OperatorExecutor::openApp(std::string runId, std::string app, std::int64_t generation,
                                                    std::optional<HeldQuestion> approvedFor,
                                                    std::optional<MacPermit> permit) const {
    const std::optional<Acting::ResolvedApp> resolved = co_await acts_->resolve(app);
    if (!resolved) co_return Outcome::refused(app + std::string(notInstalledTail));
    if (resolved->bundleId && OperatorLookPolicy::neverLookedAt().contains(*resolved->bundleId)) {
        co_return Outcome::refused(OperatorLookPolicy::neverSentence);
    }
    if (permit) {
        const std::vector<std::optional<std::string>> alsoKnownAs{resolved->name, resolved->bundleId};
        if (auto hold = MacPermissionPolicy::actHold("open_app", app, alsoKnownAs, *permit)) {
            if (auto ending = heldUnless(approvedFor, questionOf(std::move(*hold)))) co_return std::move(*ending);
        }
    }
    const std::optional<std::string> refusal = co_await admission(runId, MacCapabilityClass::act);
    if (refusal) co_return Outcome::refused(*refusal);

    std::optional<RunningApp> opened;
    std::exception_ptr error;
    try {
        opened = co_await acts_->open(app);
    } catch (...) {
        error = std::current_exception();
    }
    if (error) co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, app + std::string(notOpenedTail)));
    co_await acts_->settle();
    co_return co_await readAfter("open_app", std::move(*opened), generation);
}

Task<OperatorStepOutcome> OperatorExecutor::readAfter(std::string kind, RunningApp acted,
                                                      std::int64_t generation) const {
    const std::optional<RunningApp> front = co_await acts_->front();
    RunningApp app = front ? *front : std::move(acted);
    if (!OperatorLookPolicy::mayLookAt(app)) co_return emptyAfter(std::move(kind), std::move(app.name));
    std::optional<AXSnapshot> snapshot;
    try {
        snapshot = co_await accessibility_->snapshot(app, generation, AXSnapshot::budget);
    } catch (...) {
        // The act was done; only the read of what it did failed.
    }
    if (!snapshot) co_return emptyAfter(std::move(kind), std::move(app.name));
    std::optional<std::vector<MacElementInfo>> elements;
    if (!snapshot->elements.empty()) elements = std::move(snapshot->elements);
    co_return Outcome(Outcome::Acted{std::move(kind), ScreenAfter{std::move(app.name), std::move(snapshot->text),
                                                                  snapshot->truncated, std::move(elements)}});
}

} // namespace tarvo
