#include "TarvoBase/PlainLog.h"

#include <cstdio>
#include <mutex>

namespace tarvo {
namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
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

} // namespace

void PlainLog::write(std::string_view line) {
    std::lock_guard lock(sinkMutex());
    currentSink()(line);
}

PlainLog::Sink PlainLog::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = sink ? std::move(sink) : Sink(writeToStandardError);
    return previous;
}

} // namespace tarvo
