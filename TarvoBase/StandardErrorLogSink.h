#pragma once

#include "TarvoBase/LogSink.h"

namespace tarvo {

// Named lines on standard error, one per line: the subsystem, the category in brackets, "error: "
// before an error line, and private values redacted as "<private>".
class StandardErrorLogSink : public LogSink {
public:
    bool isEnabled(std::string_view subsystem, std::string_view category, LogLevel level) const override;
    void write(const LogEntry& entry) override;

    // "com.tarvo.companion [relay] error: relay job 7 failed — timed out"
    static std::string line(const LogEntry& entry);
};

} // namespace tarvo
