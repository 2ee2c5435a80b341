#pragma once

#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "TarvoBase/LogSink.h"
#include "TarvoBase/Logger.h"

namespace tarvo::testing {

// Collects the named log's entries, with their categories, levels and privacy marks, for as long
// as it lives. Only the levels given are on; lines at the others are never built.
class CapturedTarvoLog {
public:
    explicit CapturedTarvoLog(std::set<LogLevel> enabled = {LogLevel::standard, LogLevel::error})
        : sink_(std::make_shared<Sink>(std::move(enabled))), previous_(Logger::setSink(sink_)) {}
    ~CapturedTarvoLog() { Logger::setSink(std::move(previous_)); }

    CapturedTarvoLog(const CapturedTarvoLog&) = delete;
    CapturedTarvoLog& operator=(const CapturedTarvoLog&) = delete;

    std::vector<LogEntry> entries() const { return sink_->entries(); }

private:
    class Sink : public LogSink {
    public:
        explicit Sink(std::set<LogLevel> enabled) : enabled_(std::move(enabled)) {}

        bool isEnabled(std::string_view, std::string_view, LogLevel level) const override {
            return enabled_.contains(level);
        }
        void write(const LogEntry& entry) override {
            std::lock_guard lock(mutex_);
            entries_.push_back(entry);
        }
        std::vector<LogEntry> entries() const {
            std::lock_guard lock(mutex_);
            return entries_;
        }

    private:
        const std::set<LogLevel> enabled_;
        mutable std::mutex mutex_;
        std::vector<LogEntry> entries_;
    };

    std::shared_ptr<Sink> sink_;
    std::shared_ptr<LogSink> previous_;
};

} // namespace tarvo::testing
