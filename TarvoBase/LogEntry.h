#pragma once

#include <string>
#include <vector>

#include "TarvoBase/LogArgument.h"
#include "TarvoBase/LogLevel.h"

namespace tarvo {

// One named log line as a sink receives it: the format keeps its privacy marks
// ("relay job %{public}s failed — %{public}s") and the values travel beside it.
struct LogEntry {
    std::string subsystem;
    std::string category;
    LogLevel level = LogLevel::standard;
    std::string format;
    std::vector<LogArgument> arguments;

    // The line with each placeholder replaced by its argument, in order; a private argument reads
    // "<private>" unless `showPrivate`.
    std::string text(bool showPrivate = false) const;
};

} // namespace tarvo
