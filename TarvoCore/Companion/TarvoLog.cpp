#include "TarvoCore/Companion/TarvoLog.h"

namespace tarvo::TarvoLog {
namespace {

using Arguments = std::vector<LogArgument>;

} // namespace

void captureLine(std::string_view line) {
    capture().log(LogLevel::standard, "whatsapp read — %{public}s",
                  [&] { return Arguments{LogArgument::publicText(line)}; });
}

void relayJobFailed(std::string_view jobId, std::string_view diagnostic) {
    relay().log(LogLevel::error, "relay job %{public}s failed — %{public}s", [&] {
        return Arguments{LogArgument::publicText(jobId), LogArgument::publicText(diagnostic)};
    });
}

void updatesNotConfigured() {
    updates().log(LogLevel::standard, "updates are not configured in this build — no feed URL or no public key");
}

void updateChecksOn(std::string_view feed) {
    updates().log(LogLevel::standard, "update checks are on, feed %{private}s",
                  [&] { return Arguments{LogArgument::privateText(feed)}; });
}

void updaterDidNotStart(std::string_view reason) {
    updates().log(LogLevel::error, "the updater could not start (%{private}s) — continuing",
                  [&] { return Arguments{LogArgument::privateText(reason)}; });
}

void updateCheckWithoutFeed() {
    updates().log(LogLevel::standard, "check for updates pressed in a build with no feed configured");
}

void updateCheckFoundNothingNewer() {
    updates().log(LogLevel::standard, "update check finished — already on the newest build");
}

void updateCheckFailed(std::string_view reason) {
    updates().log(LogLevel::error, "update check failed — %{private}s",
                  [&] { return Arguments{LogArgument::privateText(reason)}; });
}

void updateAvailable(std::string_view version, std::string_view build) {
    updates().log(LogLevel::standard, "update available — %{private}s (build %{private}s)", [&] {
        return Arguments{LogArgument::privateText(version), LogArgument::privateText(build)};
    });
}

std::string operatorSwitchLine(bool on) { return on ? "operator switch on" : "operator switch off"; }

void operatorSwitch(bool on) {
    operating().log(LogLevel::standard, "%{public}s",
                    [&] { return Arguments{LogArgument::publicText(operatorSwitchLine(on))}; });
}

void operatorRunEnded(OperatorEndCode by) {
    operating().log(LogLevel::standard, "operator run ended by %{public}s",
                    [&] { return Arguments{LogArgument::publicText(rawValue(by))}; });
}

void operatorPollFailed(std::int64_t status) {
    operating().log(LogLevel::standard, "operator poll failed, status %{public}ld",
                    [&] { return Arguments{LogArgument::publicInteger(status)}; });
}

void operatorDisplayWake(bool declared, bool awake) {
    operating().log(LogLevel::standard, "operator display wake declared %{bool,public}d, awake %{bool,public}d", [&] {
        return Arguments{LogArgument::publicBoolean(declared), LogArgument::publicBoolean(awake)};
    });
}

void nudgeNoticePosted(bool allowed) {
    operating().log(LogLevel::standard, "nudge notice posted, notifications allowed %{bool,public}d",
                    [&] { return Arguments{LogArgument::publicBoolean(allowed)}; });
}

void nudgeNoticeFailed() {
    operating().log(LogLevel::standard, "nudge notice refused by the notification centre");
}

} // namespace tarvo::TarvoLog
