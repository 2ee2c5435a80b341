#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "TarvoBase/PlainLog.h"

namespace tarvo::testing {

// Collects the plain log's lines, of every verbosity, for as long as it lives.
class CapturedPlainLog {
public:
    CapturedPlainLog() {
        previous_ = PlainLog::setSink([this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        });
        previousVerbosity_ = PlainLog::setVerbosity(PlainLog::Verbosity::debug);
    }
    ~CapturedPlainLog() {
        PlainLog::setVerbosity(previousVerbosity_);
        PlainLog::setSink(std::move(previous_));
    }

    CapturedPlainLog(const CapturedPlainLog&) = delete;
    CapturedPlainLog& operator=(const CapturedPlainLog&) = delete;

    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    PlainLog::Sink previous_;
    PlainLog::Verbosity previousVerbosity_;
};

} // namespace tarvo::testing
