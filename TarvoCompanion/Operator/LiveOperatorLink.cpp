#include "TarvoCompanion/Operator/LiveOperatorLink.h"

#include <random>

#include "TarvoBase/Spawn.h"
#include "TarvoClient/BrainClientFailure.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/Operator/FileRefKey.h"
#include "TarvoCore/Operator/OperatorBackoff.h"
#include "TarvoCore/Operator/PollRace.h"

namespace tarvo {

namespace {

double uniformRandom() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

// The HTTP status of a failed poll; 0 when the failure had none.
std::int64_t statusOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const BrainClientFailure& brain) {
        return brain.kind() == BrainClientFailure::Kind::http ? brain.status() : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

LiveOperatorLink::LiveOperatorLink(Services services)
    : settings_(std::move(services.settings)),
      readiness_(std::move(services.readiness)),
      bar_(std::move(services.bar)),
      stopKey_(std::move(services.stopKey)),
      system_(std::move(services.system)),
      readCaps_(std::move(services.readCaps)),
      makeStepPorts_(std::move(services.makeStepPorts)),
      makeFiles_(std::move(services.makeFiles)),
      random_(services.random ? std::move(services.random) : std::function<double()>(uniformRandom)),
      stops_(*settings_),
      session_(std::make_shared<OperatorSession>(stops_.stoppedRunIds())),
      fileRefs_(std::make_shared<FileRefTable>(FileRefKey::current(*settings_))),
      sleepHold_(std::move(services.holdBegin), std::move(services.holdEnd)) {}

void LiveOperatorLink::start(ClientSource client, SignedIn signedIn) {
    client_ = std::move(client);
    signedIn_ = std::move(signedIn);
    if (loopStarted_) return;
    loopStarted_ = true;
    spawn(pollLoop(weak_from_this()));
    reportStops();
}

Task<void> LiveOperatorLink::pollLoop(std::weak_ptr<LiveOperatorLink> link) {
    for (;;) {
        std::shared_ptr<OperatorWakeSignal> wake;
        double delay = 0;
        {
            const auto self = link.lock();
            if (!self) co_return;
            Task<double> turning = self->turn();
            delay = co_await std::move(turning);
            wake = self->wake;
        }
        if (delay > 0) {
            Task<bool> pause = wake->wait(OperatorWakeSignal::Seconds(delay));
            co_await std::move(pause);
        }
    }
}

OperatorSession::Conditions LiveOperatorLink::conditionsNow() const {
    return OperatorSession::Conditions::from(readiness_.current(), signedIn());
}

Task<double> LiveOperatorLink::turn() {
    refreshKeepAwake();
    const OperatorSession::Conditions conditions = conditionsNow();
    if (OperatorSession::endsTheRun(conditions) && liveRunId_) stopLocally("conditions", OperatorEndCode::conditions);
    const std::shared_ptr<BrainClient> brain = client();
    if (!OperatorSession::mayPoll(conditions) || !brain) co_return notAllowedPause;

    const std::vector<std::string> can = OperatorSession::can(conditions);
    const Poll poll = startPoll(brain, session_->liveRunId(), can);
    for (;;) {
        Task<PollRace<bool>> racing = PollRace<bool>::run(settled(poll), wake, pollLimit);
        PollRace<bool> race = co_await std::move(racing);
        const auto kind = race.kind();
        if (kind == PollRace<bool>::Kind::answered) {
            std::optional<OperatorNextAnswer> answer;
            if (!race.error()) answer = co_await *poll;
            Task<double> handling = answered(race.error(), std::move(answer), brain);
            const double pause = co_await std::move(handling);
            co_return pause;
        }
        if (kind == PollRace<bool>::Kind::changed) {
            const OperatorSession::Conditions now = conditionsNow();
            if (OperatorSession::can(now) == can && now.switchOn && now.signedIn) continue;
        }
        adopt(poll, brain);
        co_return 0.0;
    }
}

Task<double> LiveOperatorLink::answered(std::exception_ptr failure, std::optional<OperatorNextAnswer> answer,
                                        std::shared_ptr<BrainClient> client) {
    if (failure) {
        ++pollFailures_;
        const std::int64_t status = statusOf(failure);
        TarvoLog::operatorPollFailed(status);
        co_return OperatorBackoff::delay(pollFailures_, status, random_()).count();
    }
    pollFailures_ = 0;
    if (answer->kind == "step") {
        Task<void> step = handleStep(std::move(*answer), client);
        co_await std::move(step);
    } else if (answer->kind == "stop") {
        if (answer->runId) endedByBrain(*answer->runId);
    } else {
        // The service no longer holds the run this computer thinks is live.
        const std::optional<std::string> live = session_->liveRunId();
        if (live && answer->liveRunId != live) endedByBrain(*live);
    }
    co_return 0.0;
}

LiveOperatorLink::Poll LiveOperatorLink::startPoll(std::shared_ptr<BrainClient> client,
                                                   std::optional<std::string> holding, std::vector<std::string> can) {
    auto poll = std::make_shared<OneShotResult<OperatorNextAnswer>>();
    spawn(polling(std::move(client), std::move(holding), std::move(can), poll));
    return poll;
}

Task<void> LiveOperatorLink::polling(std::shared_ptr<BrainClient> client, std::optional<std::string> holding,
                                     std::vector<std::string> can, Poll into) {
    try {
        Task<OperatorNextAnswer> asking = client->nextOperatorStep(pollWait, std::move(holding), std::move(can));
        OperatorNextAnswer answer = co_await std::move(asking);
        into->succeed(std::move(answer));
    } catch (...) {
        into->fail(std::current_exception());
    }
}

Task<bool> LiveOperatorLink::settled(Poll poll) {
    co_await *poll;
    co_return true;
}

void LiveOperatorLink::adopt(Poll poll, std::shared_ptr<BrainClient> client) {
    spawn(adopted(weak_from_this(), std::move(poll), std::move(client)));
}

Task<void> LiveOperatorLink::adopted(std::weak_ptr<LiveOperatorLink> link, Poll poll,
                                     std::shared_ptr<BrainClient> client) {
    std::optional<OperatorNextAnswer> answer;
    try {
        answer = co_await *poll;
    } catch (...) {
        // A poll given up on fails quietly: the loop's own polls count the failures.
        co_return;
    }
    const auto self = link.lock();
    if (!self) co_return;
    if (answer->kind == "step") {
        Task<void> step = self->handleStep(std::move(*answer), std::move(client));
        co_await std::move(step);
    } else if (answer->kind == "stop" && answer->runId) {
        self->endedByBrain(*answer->runId);
    }
}

} // namespace tarvo
