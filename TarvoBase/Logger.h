#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TarvoBase/LogSink.h"

namespace tarvo {

// One (subsystem, category) of the named log. Every logger writes to the process's one sink.
class Logger {
public:
    Logger(std::string subsystem, std::string category)
        : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

    bool isEnabled(LogLevel level) const { return sink()->isEnabled(subsystem_, category_, level); }

    // `makeArguments` runs only when the level is on, so a disabled line builds nothing.
    template <typename MakeArguments>
    void log(LogLevel level, std::string_view format, MakeArguments makeArguments) const {
        const std::shared_ptr<LogSink> current = sink();
        if (!current->isEnabled(subsystem_, category_, level)) return;
        current->write(LogEntry{subsystem_, category_, level, std::string(format), makeArguments()});
    }

    void log(LogLevel level, std::string_view format) const {
        log(level, format, [] { return std::vector<LogArgument>{}; });
    }

    // Replaces the sink (standard error by default) and returns the previous one; a null sink
    // restores standard error.
    static std::shared_ptr<LogSink> setSink(std::shared_ptr<LogSink> sink);
    static std::shared_ptr<LogSink> sink();

private:
    std::string subsystem_;
    std::string category_;
};

} // namespace tarvo
