#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "TarvoBase/OperatorEndCode.h"
#include "TarvoBase/TarvoLoggers.h"

// The named log lines of every subsystem: the wording, level, category and privacy of each line
// is fixed here, and callers hand in plain values. Lines that read types of higher libraries are
// declared beside those types, in this same namespace, and write through the same four loggers.
namespace tarvo::TarvoLog {

void captureLine(std::string_view line);
void relayJobFailed(std::string_view jobId, std::string_view diagnostic);

void updatesNotConfigured();
void updateChecksOn(std::string_view feed);
void updaterDidNotStart(std::string_view reason);
void updateCheckWithoutFeed();
void updateCheckFoundNothingNewer();
void updateCheckFailed(std::string_view reason);
void updateAvailable(std::string_view version, std::string_view build);

std::string operatorSwitchLine(bool on);
void operatorSwitch(bool on);
void operatorRunEnded(OperatorEndCode by);
void operatorPollFailed(std::int64_t status);
void operatorDisplayWake(bool declared, bool awake);
void nudgeNoticePosted(bool allowed);
void nudgeNoticeFailed();

} // namespace tarvo::TarvoLog
