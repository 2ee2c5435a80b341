#include "TarvoCore/Operator/StopReportOutcome.h"

#include "TarvoBase/TarvoLoggers.h"

namespace tarvo {

std::string_view StopReportOutcome::name() const {
    switch (value_) {
    case heard: return "heard";
    case moot: return "moot";
    case retry: return "retry";
    }
    return {};
}

StopReportOutcome StopReportOutcome::of(std::int64_t status) {
    if (status >= 200 && status <= 299) return heard;
    switch (status) {
    case 400:
    case 404:
    case 409:
    case 410:
    case 422: return moot;
    default: return retry;
    }
}

} // namespace tarvo

namespace tarvo::TarvoLog {

void operatorStopReported(StopReportOutcome outcome, std::int64_t status) {
    operating().log(LogLevel::standard, "operator stop report %{public}s, status %{public}ld", [&] {
        return std::vector{LogArgument::publicText(outcome.name()), LogArgument::publicInteger(status)};
    });
}

} // namespace tarvo::TarvoLog
