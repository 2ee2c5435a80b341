#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCompanion/Operator/LiveOperatorConditions.h"
#include "TarvoCompanion/Operator/LiveOperatorLink.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Operator/MacPermit.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"

namespace tarvo {

Task<void> LiveOperatorLink::handleStep(OperatorNextAnswer answer, std::shared_ptr<BrainClient> client) {
    if (!answer.runId || !answer.stepId) co_return;
    const std::string runId = *answer.runId;
    const std::string stepId = *answer.stepId;
    Clock& clock = RunLoop::current().clock();
    const Clock::Instant started = clock.now();

    std::optional<OperatorStepRequest> request;
    if (answer.step) request = OperatorStepRequest::parse(*answer.step);
    OperatorStepOutcome outcome = OperatorStepOutcome::refused(OperatorExecutor::unknownStepSentence);
    if (request) {
        if (session_->liveRunId() != runId && session_->begin(runId)) raiseBar(runId);
        Task<void> waking = wakeDisplayIfNeeded(request->klass());
        co_await std::move(waking);
        ++generation_;
        std::optional<std::string> pressed;
        if (answer.pressed) pressed = answer.pressed->digest;
        const std::optional<MacPermit> permit = MacPermit::from(answer.permit);
        Task<OperatorStepOutcome> running =
            executor().run(runId, stepId, *request, generation_, answer.step, pressed, permit);
        outcome = co_await std::move(running);
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(clock.now() - started);
    TarvoLog::operatorStep(outcome, elapsed.count());

    Task<void> posting = post(stepId, outcome, client);
    co_await std::move(posting);
    if (outcome == OperatorStepOutcome::refused(OperatorSession::notOperableSentence)) {
        stopLocally("conditions", OperatorEndCode::conditions);
    }
}

Task<void> LiveOperatorLink::post(std::string stepId, OperatorStepOutcome outcome, std::shared_ptr<BrainClient> client) {
    std::optional<int> refusedStatus;
    try {
        Task<bool> posting = client->postOperatorResult(stepId, outcome.wire());
        co_await std::move(posting);
    } catch (const BrainClientFailure& failure) {
        // The service refused a result it could not take in, such as one too large: it still
        // hears that the step ended.
        if (failure.kind() == BrainClientFailure::Kind::http && (failure.status() == 400 || failure.status() == 413)) {
            refusedStatus = failure.status();
        }
    } catch (...) {
    }
    if (!refusedStatus) co_return;
    TarvoLog::operatorPollFailed(*refusedStatus);
    try {
        Task<bool> instead = client->postOperatorResult(stepId, OperatorStepOutcome::failed(notSentSentence).wire());
        co_await std::move(instead);
    } catch (...) {
    }
}

void LiveOperatorLink::raiseBar(const std::string& runId) {
    bar_->show(stopAction("bar", OperatorEndCode::bar));
    stopKey_->grab(stopAction("hotkey", OperatorEndCode::hotkey));
    liveRunId_ = runId;
    refreshKeepAwake();
}

Task<void> LiveOperatorLink::wakeDisplayIfNeeded(MacCapabilityClass klass) {
    const std::optional<OperatorCaps> caps = readiness_.current();
    const bool unlocked = caps && caps->sessionLocked == false && caps->onConsole == true;
    const std::optional<bool> asleep = system_->everyDisplayAsleep();
    if (!readiness_.keepAwake() || klass == MacCapabilityClass::files || !unlocked || asleep != true) co_return;
    const bool declared = system_->declareActivity();
    bool stillAsleep = true;
    for (int reading = 0; reading < displayReadingsAtMost && stillAsleep; ++reading) {
        co_await sleepFor(displayCheckEvery);
        stillAsleep = system_->everyDisplayAsleep() == true;
    }
    TarvoLog::operatorDisplayWake(declared, !stillAsleep);
}

Task<std::shared_ptr<BrainClient>> LiveOperatorLink::clientOf(std::weak_ptr<LiveOperatorLink> link) {
    const auto self = link.lock();
    co_return self ? self->client() : nullptr;
}

OperatorExecutor& LiveOperatorLink::executor() {
    if (!executor_) {
        const StepPorts ports = makeStepPorts_();
        auto conditions = std::make_shared<LiveOperatorConditions>(LiveOperatorConditions::Sources{
            .signedIn = [link = weak_from_this()] {
                const auto self = link.lock();
                return self && self->signedIn();
            },
            .allowed = readiness_.allowed,
            .keepAwake = readiness_.keepAwake,
            .read = readCaps_,
        });
        FileClientSource files = [link = weak_from_this()] { return clientOf(link); };
        executor_.emplace(ports.apps, ports.screen, ports.accessibility, bar_, session_, std::move(conditions),
                          makeFiles_(std::move(files)), fileRefs_, ports.acts);
    }
    return *executor_;
}

} // namespace tarvo
