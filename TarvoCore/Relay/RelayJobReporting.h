#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Relay/RelayJobReport.h"

namespace tarvo {

// Getting a job's report to the service, trying again a few times before giving it up.
class RelayJobReporting {
public:
    using Seconds = std::chrono::duration<double>;

    // The waits before the second, third and fourth attempts.
    static inline const std::vector<Seconds> attemptDelays{Seconds(1), Seconds(4), Seconds(12)};

    // Accepted on attempt `attempts`, counting from 1.
    struct Reported {
        int attempts = 0;
        bool operator==(const Reported&) const = default;
    };
    // Every attempt failed; `lastError` describes the last failure.
    struct Abandoned {
        int attempts = 0;
        std::string lastError;
        bool operator==(const Abandoned&) const = default;
    };
    using Delivery = std::variant<Reported, Abandoned>;

    // Waits and cannot fail.
    using Sleep = std::function<Task<void>(Seconds)>;
    // One attempt; throws when it failed.
    using Send = std::function<Task<void>(RelayJobReport)>;

    RelayJobReporting() = delete;

    // Never throws: every failure of `send` counts as one failed attempt, whatever its kind.
    static Task<Delivery> deliver(RelayJobReport report, std::vector<Seconds> delays, Sleep sleep, Send send);

    // Waits on the current run loop's clock.
    static Task<void> sleepOnLoop(Seconds delay);

    // Delivers the job's report through `client` with the standard delays, and logs a report
    // that needed several attempts or was given up; never throws. The abandoned report is
    // answered so that the caller can keep it.
    static Task<Delivery> report(RelayJobReport report, std::string jobId, std::shared_ptr<BrainClient> client);
};

} // namespace tarvo
