#pragma once

#include <string_view>

#include "TarvoBase/LogEntry.h"

namespace tarvo {

// Where named log lines go. Called from any thread.
class LogSink {
public:
    virtual ~LogSink() = default;

    // Asked before a line is built; a line whose level is off costs only this question.
    virtual bool isEnabled(std::string_view subsystem, std::string_view category, LogLevel level) const = 0;
    virtual void write(const LogEntry& entry) = 0;
};

} // namespace tarvo
