#include "TarvoBase/StandardErrorLogSink.h"

#include <cstdio>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"

namespace tarvo {

bool StandardErrorLogSink::isEnabled(std::string_view, std::string_view, LogLevel level) const {
    return level == LogLevel::error || PlainLog::verbosity() != PlainLog::Verbosity::error;
}

std::string StandardErrorLogSink::line(const LogEntry& entry) {
    return fmt::format("tarvo: {}: {}{}", entry.category, entry.level == LogLevel::error ? "error: " : "",
                       entry.text());
}

void StandardErrorLogSink::write(const LogEntry& entry) {
    std::string text = line(entry);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace tarvo
