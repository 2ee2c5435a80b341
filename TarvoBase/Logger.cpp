#include "TarvoBase/Logger.h"

#include <mutex>

#include "TarvoBase/StandardErrorLogSink.h"

namespace tarvo {
namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<LogSink>& currentSink() {
    static std::shared_ptr<LogSink> sink = std::make_shared<StandardErrorLogSink>();
    return sink;
}

} // namespace

std::shared_ptr<LogSink> Logger::setSink(std::shared_ptr<LogSink> sink) {
    std::lock_guard lock(sinkMutex());
    std::shared_ptr<LogSink> previous = std::move(currentSink());
    currentSink() = sink ? std::move(sink) : std::make_shared<StandardErrorLogSink>();
    return previous;
}

std::shared_ptr<LogSink> Logger::sink() {
    std::lock_guard lock(sinkMutex());
    return currentSink();
}

} // namespace tarvo
