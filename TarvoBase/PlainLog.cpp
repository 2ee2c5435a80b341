#include "TarvoBase/PlainLog.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace tarvo {
namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::atomic<PlainLog::Verbosity>& currentVerbosity() {
    static std::atomic<PlainLog::Verbosity> verbosity{PlainLog::Verbosity::info};
    return verbosity;
}

void writeToStandardError(std::string_view line) {
    std::string text(line);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
}

PlainLog::Sink& currentSink() {
    static PlainLog::Sink sink = writeToStandardError;
    return sink;
}

void writeAt(PlainLog::Verbosity level, std::string_view line) {
    if (level > currentVerbosity().load()) return;
    std::lock_guard lock(sinkMutex());
    currentSink()(line);
}

} // namespace

void PlainLog::write(std::string_view line) { writeAt(Verbosity::info, line); }

void PlainLog::error(std::string_view line) { writeAt(Verbosity::error, line); }

void PlainLog::debug(std::string_view line) { writeAt(Verbosity::debug, line); }

PlainLog::Verbosity PlainLog::verbosity() { return currentVerbosity().load(); }

PlainLog::Verbosity PlainLog::setVerbosity(Verbosity verbosity) { return currentVerbosity().exchange(verbosity); }

std::optional<PlainLog::Verbosity> PlainLog::verbosityNamed(std::string_view name) {
    if (name == "error") return Verbosity::error;
    if (name == "info") return Verbosity::info;
    if (name == "debug") return Verbosity::debug;
    return std::nullopt;
}

void PlainLog::useVerbosityFrom(const char* value) {
    if (!value) return;
    if (const auto named = verbosityNamed(value)) {
        setVerbosity(*named);
        return;
    }
    error("tarvo: TARVO_LOG is \"" + std::string(value) + "\", not error, info or debug — logging at info");
}

PlainLog::Sink PlainLog::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = sink ? std::move(sink) : Sink(writeToStandardError);
    return previous;
}

} // namespace tarvo
