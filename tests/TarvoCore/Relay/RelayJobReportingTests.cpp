#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "Support/CapturedPlainLog.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Relay/RelayJobReporting.h"

using namespace std::chrono_literals;
using tarvo::RelayJobReport;
using tarvo::RelayJobReporting;
using tarvo::Task;
using Delivery = RelayJobReporting::Delivery;
using Reported = RelayJobReporting::Reported;
using Abandoned = RelayJobReporting::Abandoned;

namespace tarvo {

inline void PrintTo(const RelayJobReporting::Delivery& delivery, std::ostream* out) {
    if (const auto* reported = std::get_if<Reported>(&delivery)) {
        *out << "reported(" << reported->attempts << ")";
    } else {
        const auto& abandoned = std::get<Abandoned>(delivery);
        *out << "abandoned(" << abandoned.attempts << ", " << abandoned.lastError << ")";
    }
}

} // namespace tarvo

namespace {

struct ReportingTest : ::testing::Test {
    std::shared_ptr<tarvo::FakeClock> clock = std::make_shared<tarvo::FakeClock>();
    tarvo::RunLoop loop{clock};
    tarvo::Clock::Instant start = clock->now();

    std::chrono::seconds elapsed() const {
        return std::chrono::duration_cast<std::chrono::seconds>(clock->now() - start);
    }
};

// The service's side of the report: refuses the first `failures` requests with 500.
class ScriptedTransport : public tarvo::HttpTransport {
public:
    explicit ScriptedTransport(int failures) : failures_(failures) {}

    tarvo::Task<Response> perform(Request request) override { co_return answer(request); }

    Response answer(const Request& request) {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        const int attempt = static_cast<int>(requests_.size());
        if (attempt > failures_) return {200, "{}"};
        return {500, fmt::format(R"({{"code":"down_{}","message":"attempt {}"}})", attempt, attempt)};
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    const int failures_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
};

} // namespace

TEST_F(ReportingTest, DeliverTriesAgainAfterEachDelayOnTheClock) {
    struct Case {
        int failures;
        std::vector<RelayJobReporting::Seconds> delays;
        Delivery delivery;
        std::vector<std::chrono::seconds> attempts;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, RelayJobReporting::attemptDelays, Reported{1}, {0s}},
             {1, RelayJobReporting::attemptDelays, Reported{2}, {0s, 1s}},
             {3, RelayJobReporting::attemptDelays, Reported{4}, {0s, 1s, 5s, 17s}},
             {9, RelayJobReporting::attemptDelays, Abandoned{4, "refused 4"}, {0s, 1s, 5s, 17s}},
             {9, {}, Abandoned{1, "refused 1"}, {0s}},
         }) {
        start = clock->now();
        std::vector<std::chrono::seconds> attempts;
        std::vector<RelayJobReport> sent;
        RelayJobReporting::Send send = [&](RelayJobReport report) -> Task<void> {
            attempts.push_back(elapsed());
            sent.push_back(report);
            if (static_cast<int>(attempts.size()) <= c.failures) {
                throw std::runtime_error("refused " + std::to_string(attempts.size()));
            }
            co_return;
        };
        const Delivery delivery = tarvo::runUntilDone(
            loop, RelayJobReporting::deliver(RelayJobReport::failed("It did not go."), c.delays,
                                             RelayJobReporting::sleepOnLoop, send));
        EXPECT_EQ(delivery, c.delivery) << c.failures;
        EXPECT_EQ(attempts, c.attempts) << c.failures;
        EXPECT_EQ(sent, std::vector<RelayJobReport>(attempts.size(), RelayJobReport::failed("It did not go.")));
    }
}

TEST_F(ReportingTest, ReportPostsTheResultAndLogsOnlyWhatNeededRetries) {
    struct Case {
        RelayJobReport report;
        int failures;
        Delivery delivery;
        std::vector<std::string> lines;
    };
    const std::string reason = "This Mac could not reach Tarvo.";
    for (const Case& c : std::initializer_list<Case>{
             {RelayJobReport::sent(), 0, Reported{1}, {}},
             {RelayJobReport::failed(reason), 1, Reported{2}, {"tarvo: relay: job job-7 result reported on attempt 2"}},
             {RelayJobReport::failed(reason), 4, Abandoned{4, "500 down_4: attempt 4"},
              {"tarvo: relay: job job-7 result (failed) NOT REPORTED after 4 attempts — 500 down_4: attempt 4. The "
               "brain still holds this job as in flight and may hand it out again."}},
             {RelayJobReport::sent(), 4, Abandoned{4, "500 down_4: attempt 4"},
              {"tarvo: relay: job job-7 result (sent) NOT REPORTED after 4 attempts — 500 down_4: attempt 4. The "
               "brain still holds this job as in flight and may hand it out again."}},
         }) {
        tarvo::testing::CapturedPlainLog log;
        auto transport = std::make_shared<ScriptedTransport>(c.failures);
        auto client = std::make_shared<tarvo::BrainClient>(
            "https://tarvo.test", tarvo::ClientIdentity{"macos", 1, "1.0", "Test Mac", std::nullopt},
            tarvo::BrainClient::Credentials{"access", "refresh", "device"}, transport);

        const Delivery delivery = tarvo::runUntilDone(loop, RelayJobReporting::report(c.report, "job-7", client));

        EXPECT_EQ(delivery, c.delivery);
        EXPECT_EQ(log.lines(), c.lines);
        tarvo::Json body{{"ok", c.report.ok}};
        if (c.report.failureReason) body["failureReason"] = *c.report.failureReason;
        for (const auto& request : transport->requests()) {
            EXPECT_EQ(request.method, "POST");
            EXPECT_EQ(request.url, "https://tarvo.test/v1/relay/jobs/job-7/result");
            EXPECT_EQ(request.body, body.dump());
        }
    }
}
