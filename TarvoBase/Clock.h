#pragma once

#include <chrono>
#include <memory>
#include <mutex>

namespace tarvo {

// Timers run on the steady time line so that a change of the wall clock never fires or
// starves them; `date()` is the wall clock for anything that is shown or sent.
class Clock {
public:
    using Instant = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;
    using Date = std::chrono::system_clock::time_point;

    virtual ~Clock() = default;
    virtual Instant now() const = 0;
    virtual Date date() const = 0;
    // A clock that only moves when a test moves it; the loop then never waits in real time.
    virtual bool movesByHand() const = 0;
};

class SystemClock final : public Clock {
public:
    Instant now() const override;
    Date date() const override;
    bool movesByHand() const override { return false; }
};

class FakeClock final : public Clock {
public:
    explicit FakeClock(Date start = Date{std::chrono::hours(24 * 365 * 54)});

    Instant now() const override;
    Date date() const override;
    bool movesByHand() const override { return true; }

    void advance(Duration by);
    void setDate(Date date);

private:
    mutable std::mutex mutex_;
    Instant instant_{};
    Date date_;
};

} // namespace tarvo
