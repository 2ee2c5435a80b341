#include "TarvoBase/StandardErrorLogSink.h"

#include <cstdio>

#include <fmt/format.h>

namespace tarvo {

bool StandardErrorLogSink::isEnabled(std::string_view, std::string_view, LogLevel) const { return true; }

std::string StandardErrorLogSink::line(const LogEntry& entry) {
    return fmt::format("{} [{}] {}{}", entry.subsystem, entry.category,
                       entry.level == LogLevel::error ? "error: " : "", entry.text());
}

void StandardErrorLogSink::write(const LogEntry& entry) {
    std::string text = line(entry);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace tarvo
