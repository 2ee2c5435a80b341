#include "TarvoCore/Relay/RelayJobReporting.h"

#include <exception>
#include <optional>
#include <utility>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/ErrorText.h"

namespace tarvo {
namespace {

std::string describe(const std::exception_ptr& error) { return errorText(error, "an unknown error"); }

} // namespace

Task<RelayJobReporting::Delivery> RelayJobReporting::deliver(RelayJobReport report, std::vector<Seconds> delays,
                                                             Sleep sleep, Send send) {
    for (int attempt = 1;; ++attempt) {
        std::string lastError;
        try {
            co_await send(report);
            co_return Reported{attempt};
        } catch (...) {
            lastError = describe(std::current_exception());
        }
        if (attempt > static_cast<int>(delays.size())) co_return Abandoned{attempt, std::move(lastError)};
        co_await sleep(delays[static_cast<std::size_t>(attempt - 1)]);
    }
}

Task<void> RelayJobReporting::sleepOnLoop(Seconds delay) { co_await sleepFor(delay); }

Task<RelayJobReporting::Delivery> RelayJobReporting::report(RelayJobReport report, std::string jobId,
                                                            std::shared_ptr<BrainClient> client) {
    const bool ok = report.ok;
    BrainClient* service = client.get();
    const std::string* id = &jobId;
    Send send = [service, id](RelayJobReport attempt) {
        return service->reportJob(*id, attempt.ok, std::move(attempt.failureReason), std::nullopt);
    };
    Task<Delivery> delivering = deliver(std::move(report), attemptDelays, sleepOnLoop, std::move(send));
    const Delivery delivery = co_await std::move(delivering);
    if (const auto* reported = std::get_if<Reported>(&delivery); reported && reported->attempts >= 2) {
        PlainLog::write(fmt::format("tarvo: relay: job {} result reported on attempt {}", jobId, reported->attempts));
    }
    if (const auto* abandoned = std::get_if<Abandoned>(&delivery)) {
        PlainLog::write(fmt::format("tarvo: relay: job {} result ({}) NOT REPORTED after {} attempts — {}. The brain "
                                    "still holds this job as in flight and may hand it out again.",
                                    jobId, ok ? "sent" : "failed", abandoned->attempts, abandoned->lastError));
    }
    co_return delivery;
}

} // namespace tarvo
