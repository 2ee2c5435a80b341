#pragma once

#include <cstdint>
#include <string_view>

namespace tarvo {

// What the service's answer to a stop report means: `heard` and `moot` end the reporting of
// that stop, `retry` keeps it for a later try.
class StopReportOutcome {
public:
    enum Case { heard, moot, retry };

    constexpr StopReportOutcome(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    // The case name, as the log shows it.
    std::string_view name() const;

    // 2xx is heard; the answers that say the report can never be taken are moot; everything
    // else, refusals of access and throttling included, is tried again.
    static StopReportOutcome of(std::int64_t status);

private:
    Case value_;
};

} // namespace tarvo

namespace tarvo::TarvoLog {

void operatorStopReported(StopReportOutcome outcome, std::int64_t status);

} // namespace tarvo::TarvoLog
