#include "TarvoBase/Clock.h"

namespace tarvo {

Clock::Instant SystemClock::now() const { return std::chrono::steady_clock::now(); }

Clock::Date SystemClock::date() const { return std::chrono::system_clock::now(); }

FakeClock::FakeClock(Date start) : date_(start) {}

Clock::Instant FakeClock::now() const {
    std::lock_guard lock(mutex_);
    return instant_;
}

Clock::Date FakeClock::date() const {
    std::lock_guard lock(mutex_);
    return date_;
}

void FakeClock::advance(Duration by) {
    std::lock_guard lock(mutex_);
    instant_ += by;
    date_ += std::chrono::duration_cast<Date::duration>(by);
}

void FakeClock::setDate(Date date) {
    std::lock_guard lock(mutex_);
    date_ = date;
}

} // namespace tarvo
