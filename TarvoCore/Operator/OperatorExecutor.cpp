#include "TarvoCore/Operator/OperatorExecutor.h"

#include <exception>
#include <utility>
#include <vector>

#include "TarvoBase/ErrorText.h"
#include "TarvoBase/PlainLog.h"
#include "TarvoCore/Operator/ActPolicy.h"
#include "TarvoCore/Operator/OperatorLookPolicy.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"
#include "TarvoCore/Operator/OperatorPress.h"

namespace tarvo {
namespace {

using Outcome = OperatorStepOutcome;


// The app a step names, when it is running and may be looked at; else the refusal.
struct Target {
    std::optional<RunningApp> app;
    std::optional<Outcome> refusal;
};

Target namedTarget(const std::string& name, const std::vector<RunningApp>& apps) {
    std::optional<RunningApp> found = OperatorLookPolicy::find(name, apps);
    if (!found) return {std::nullopt, Outcome::refused(name + std::string(OperatorExecutor::notOpenTail))};
    if (!OperatorLookPolicy::mayLookAt(*found)) return {std::nullopt, Outcome::refused(OperatorLookPolicy::neverSentence)};
    return {std::move(found), std::nullopt};
}

std::vector<RunningApp> listed(std::vector<RunningApp> apps) {
    std::vector<RunningApp> kept;
    for (RunningApp& app : apps) {
        if (app.bundleId == OperatorLookPolicy::ownBundleId) continue;
        if (!OperatorLookPolicy::mayLookAt(app)) app.windowTitles.clear();
        kept.push_back(std::move(app));
    }
    return kept;
}

} // namespace

OperatorExecutor::OperatorExecutor(std::shared_ptr<AppListing> apps, std::shared_ptr<ScreenCapturing> screen,
                                   std::shared_ptr<AccessibilityReading> accessibility,
                                   std::shared_ptr<OperatorIndicator> indicator, std::shared_ptr<OperatorSession> session,
                                   std::shared_ptr<OperatorConditionsReading> conditions,
                                   std::shared_ptr<FileOperating> files, std::shared_ptr<FileRefTable> refs,
                                   std::shared_ptr<Acting> acts)
    : apps_(std::move(apps)), screen_(std::move(screen)), accessibility_(std::move(accessibility)),
      indicator_(std::move(indicator)), session_(std::move(session)), conditions_(std::move(conditions)),
      files_(std::move(files)), refs_(std::move(refs)), acts_(std::move(acts)) {}

OperatorExecutor OperatorExecutor::dispatchingTo(Runner runner) const {
    OperatorExecutor copy = *this;
    copy.runner_ = std::move(runner);
    return copy;
}

Task<OperatorStepOutcome> OperatorExecutor::run(std::string runId, std::string stepId, OperatorStepRequest step,
                                                std::int64_t generation, std::optional<JSONValue::Object> raw,
                                                std::optional<std::string> pressed,
                                                std::optional<MacPermit> permit) const {
    return runInTurn(*this, std::move(runId), std::move(stepId), std::move(step), generation, std::move(raw),
                     std::move(pressed), std::move(permit));
}

// The executor is copied into the task, so the task owns what it runs with.
Task<OperatorStepOutcome> OperatorExecutor::runInTurn(OperatorExecutor self, std::string runId, std::string stepId,
                                                      OperatorStepRequest step, std::int64_t generation,
                                                      std::optional<JSONValue::Object> raw,
                                                      std::optional<std::string> pressed,
                                                      std::optional<MacPermit> permit) {
    const Turnstile::Pass turn = co_await self.turn_->enter();
    std::optional<Outcome> outcome;
    std::exception_ptr error;
    try {
        outcome.emplace(co_await self.runAdmitting(runId, std::move(stepId), std::move(step), generation, raw,
                                                   std::move(pressed), std::move(permit)));
    } catch (...) {
        error = std::current_exception();
    }
    if (error) {
        PlainLog::write("tarvo: an operator step ended with an error: " + errorText(error, "unknown"));
        co_return Outcome::failed(Outcome::fit(""));
    }
    if (const auto* held = std::get_if<Outcome::NeedsPress>(&outcome->value()); held && raw) {
        self.session_->holdQuestion(runId, OperatorPress::digest(runId, *raw), *held);
    }
    co_return std::move(*outcome);
}

Task<OperatorStepOutcome> OperatorExecutor::runAdmitting(std::string runId, std::string stepId,
                                                         OperatorStepRequest step, std::int64_t generation,
                                                         std::optional<JSONValue::Object> raw,
                                                         std::optional<std::string> pressed,
                                                         std::optional<MacPermit> permit) const {
    const std::optional<std::string> refusal = co_await admission(runId, step.klass());
    if (refusal) co_return Outcome::refused(*refusal);

    std::optional<OperatorSession::HeldQuestion> approvedFor;
    if (pressed) {
        // A press counts for the very step object it was made for, and only once this computer
        // has asked about it.
        if (!raw || OperatorStepRequest::parse(*raw) != step || !OperatorPress::approves(pressed, runId, raw)) {
            co_return Outcome::refused(ActPolicy::pressedForAnotherSentence);
        }
        approvedFor = session_->takeHeldQuestion(runId, OperatorPress::digest(runId, *raw));
    }
    Admitted admitted{std::move(runId), std::move(stepId), std::move(step), generation, std::move(approvedFor),
                      std::move(permit)};
    co_return co_await dispatch(std::move(admitted));
}

Task<std::optional<std::string>> OperatorExecutor::admission(std::string runId, MacCapabilityClass klass) const {
    // Nothing that is read could admit a run that is not live, so nothing is asked of the ports.
    if (!session_->isLive(runId)) co_return std::string(OperatorSession::stoppedSentence);
    const OperatorSession::Conditions conditions = co_await conditions_->current();
    const bool shown = co_await indicator_->isShown();
    const OperatorSession::Admission admitted = session_->admit(runId, klass, shown, conditions);
    co_return admitted.refusal();
}

Task<OperatorStepOutcome> OperatorExecutor::dispatch(Admitted admitted) const {
    if (runner_) co_return co_await runner_(std::move(admitted));
    const OperatorStepRequest::Value& step = admitted.step.value();
    if (const auto* list = std::get_if<OperatorStepRequest::ListFiles>(&step)) {
        co_return co_await listFiles(std::move(admitted.runId), list->query, list->limit, list->folder);
    }
    if (const auto* read = std::get_if<OperatorStepRequest::ReadFile>(&step)) {
        co_return co_await readFile(std::move(admitted.runId), read->ref, std::move(admitted.approvedFor),
                                    std::move(admitted.permit));
    }
    if (const auto* send = std::get_if<OperatorStepRequest::SendFile>(&step)) {
        co_return co_await sendFile(std::move(admitted.runId), std::move(admitted.stepId), send->ref,
                                    std::move(admitted.approvedFor), std::move(admitted.permit));
    }
    if (admitted.step.klass() == MacCapabilityClass::act) {
        co_return co_await act(std::move(admitted.runId), std::move(admitted.step), admitted.generation,
                               std::move(admitted.approvedFor), std::move(admitted.permit));
    }
    co_return co_await look(std::move(admitted.runId), std::move(admitted.step), admitted.generation);
}

Task<OperatorStepOutcome> OperatorExecutor::look(std::string runId, OperatorStepRequest step,
                                                 std::int64_t generation) const {
    std::vector<RunningApp> apps = co_await apps_->runningApps();

    if (std::holds_alternative<OperatorStepRequest::ListApps>(step.value())) {
        co_return Outcome(Outcome::ListApps{listed(std::move(apps))});
    }
    if (const auto* look = std::get_if<OperatorStepRequest::Look>(&step.value())) {
        Target target;
        if (look->app) target = namedTarget(*look->app, apps);
        if (target.refusal) co_return std::move(*target.refusal);
        co_return co_await capture(std::move(runId), std::move(target.app));
    }
    if (const auto* read = std::get_if<OperatorStepRequest::ReadScreenText>(&step.value())) {
        Target target;
        if (read->app) {
            target = namedTarget(*read->app, apps);
        } else {
            const std::optional<std::int32_t> previousFront = co_await apps_->frontmostBeforeTarvo();
            target.app = OperatorLookPolicy::frontTarget(apps, previousFront);
            if (!target.app) {
                target.refusal = Outcome::refused(noFrontAppSentence);
            } else if (!OperatorLookPolicy::mayLookAt(*target.app)) {
                target.refusal = Outcome::refused(OperatorLookPolicy::neverSentence);
            }
        }
        if (target.refusal) co_return std::move(*target.refusal);
        co_return co_await readScreenText(std::move(runId), std::move(*target.app), generation);
    }
    co_return Outcome::refused(unknownStepSentence);
}

Task<OperatorStepOutcome> OperatorExecutor::capture(std::string runId, std::optional<RunningApp> target) const {
    const std::optional<std::string> refusal = co_await admission(runId, MacCapabilityClass::screen);
    if (refusal) co_return Outcome::refused(*refusal);
    std::exception_ptr error;
    try {
        CapturedPicture picture = co_await screen_->capture(std::move(target), OperatorLookPolicy::neverLookedAt());
        co_return Outcome(Outcome::Look{std::move(picture)});
    } catch (...) {
        error = std::current_exception();
    }
    co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, captureFailedSentence));
}

Task<OperatorStepOutcome> OperatorExecutor::readScreenText(std::string runId, RunningApp target,
                                                           std::int64_t generation) const {
    const std::optional<std::string> refusal = co_await admission(runId, MacCapabilityClass::screen);
    if (refusal) co_return Outcome::refused(*refusal);
    std::exception_ptr error;
    try {
        std::string name = target.name;
        AXSnapshot snapshot = co_await accessibility_->snapshot(std::move(target), generation, AXSnapshot::budget);
        std::optional<std::vector<MacElementInfo>> elements;
        if (!snapshot.elements.empty()) elements = std::move(snapshot.elements);
        co_return Outcome(Outcome::ReadScreenText{std::move(name), std::move(snapshot.text), snapshot.truncated,
                                                  std::move(elements)});
    } catch (...) {
        error = std::current_exception();
    }
    co_return Outcome::failed(OperatorPortFailure::sentenceOf(error, screenTextFailedSentence));
}

} // namespace tarvo
