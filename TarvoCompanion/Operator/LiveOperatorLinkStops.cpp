#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Operator/LiveOperatorLink.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Operator/KeepAwakePolicy.h"
#include "TarvoCore/Operator/OperatorBackoff.h"
#include "TarvoCore/Operator/StopReportOutcome.h"

namespace tarvo {

void LiveOperatorLink::stopLocally(std::string_view by, OperatorEndCode code) {
    if (const std::optional<std::string> id = session_->stop()) {
        stops_.record(*id, by, RunLoop::current().clock().date());
    }
    lowerBar();
    TarvoLog::operatorRunEnded(code);
    reportStops();
}

std::function<void()> LiveOperatorLink::stopAction(std::string_view by, OperatorEndCode code) {
    return [link = weak_from_this(), by = std::string(by), code] {
        if (const auto self = link.lock()) self->stopLocally(by, code);
    };
}

void LiveOperatorLink::stopBecauseSwitchedOff() {
    if (liveRunId_ || session_->liveRunId()) stopLocally("conditions", OperatorEndCode::conditions);
}

void LiveOperatorLink::endedByBrain(const std::string& runId) {
    session_->ended(runId);
    if (!liveRunId_) return;
    // The bar of another run that is still live stays up.
    if (*liveRunId_ == runId || !session_->liveRunId()) {
        lowerBar();
        TarvoLog::operatorRunEnded(OperatorEndCode::brain);
    }
}

void LiveOperatorLink::lowerBar() {
    bar_->hide();
    stopKey_->release();
    liveRunId_.reset();
    refreshKeepAwake();
}

void LiveOperatorLink::reportStops() {
    if (reporting_) return;
    reporting_ = true;
    spawn(reportingStops(weak_from_this()));
}

Task<void> LiveOperatorLink::reportingStops(std::weak_ptr<LiveOperatorLink> link) {
    std::int64_t failures = 0;
    for (;;) {
        OperatorStopLedger::Entry entry;
        std::shared_ptr<BrainClient> brain;
        double random = 0.5;
        {
            const auto self = link.lock();
            if (!self) co_return;
            // Read again after every entry, so that a stop made meanwhile is reported too.
            const std::vector<OperatorStopLedger::Entry> waiting = self->stops_.unreported();
            if (waiting.empty()) {
                self->reporting_ = false;
                co_return;
            }
            entry = waiting.front();
            if (RunLoop::current().clock().date() - entry.at > OperatorStopLedger::reportForSeconds) {
                self->stops_.markReported(entry.runId);
                continue;
            }
            brain = self->client();
            if (brain) random = self->random_();
        }
        std::int64_t status = 0;
        if (brain) {
            Task<int> reporting = brain->reportRunStopped(entry.runId, entry.by);
            status = co_await std::move(reporting);
            brain.reset();
            const StopReportOutcome outcome = StopReportOutcome::of(status);
            TarvoLog::operatorStopReported(outcome, status);
            if (outcome != StopReportOutcome::retry) {
                const auto self = link.lock();
                if (!self) co_return;
                self->stops_.markReported(entry.runId);
                failures = 0;
                continue;
            }
        }
        ++failures;
        co_await sleepFor(OperatorBackoff::delay(failures, status, random));
    }
}

void LiveOperatorLink::refreshKeepAwake() {
    std::optional<bool> acPower;
    if (const std::optional<OperatorCaps> current = readiness_.current(); current && current->acPower) {
        acPower = current->acPower;
    } else if (const std::optional<OperatorCaps> published = readiness_.published()) {
        acPower = published->acPower;
    }
    const std::optional<KeepAwakeReason> reason = KeepAwakePolicy::wanted(
        readiness_.keepAwake(), readiness_.allowed(), signedIn(), acPower, liveRunId_.has_value());
    if (reason == sleepHold_.reason() && reason.has_value() == sleepHold_.isHeld()) return;
    sleepHold_.hold(reason);
    TarvoLog::operatorKeepAwake(reason);
}

} // namespace tarvo
