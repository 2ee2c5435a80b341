#pragma once

#include "TarvoBase/LogSink.h"

namespace tarvo {

// Named lines on standard error, one per line, shaped as the plain log's: "tarvo: ", the
// category, "error: " before an error line, and private values redacted as "<private>". Lines of
// the default level are written unless the plain log is set to errors only.
class StandardErrorLogSink : public LogSink {
public:
    bool isEnabled(std::string_view subsystem, std::string_view category, LogLevel level) const override;
    void write(const LogEntry& entry) override;

    // "tarvo: relay: error: relay job 7 failed — timed out"
    static std::string line(const LogEntry& entry);
};

} // namespace tarvo
