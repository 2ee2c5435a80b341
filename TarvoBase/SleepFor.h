#pragma once

#include <chrono>
#include <coroutine>

#include "TarvoBase/RunLoop.h"

namespace tarvo {

// `co_await sleepFor(d)` resumes on the current loop once its clock has moved on by `d`.
class SleepFor {
public:
    template <class Rep, class Period>
    explicit SleepFor(std::chrono::duration<Rep, Period> delay)
        : delay_(std::chrono::duration_cast<Clock::Duration>(delay)) {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> awaiting) {
        RunLoop::current().schedule(delay_, [awaiting] { awaiting.resume(); });
    }
    void await_resume() const noexcept {}

private:
    Clock::Duration delay_;
};

template <class Rep, class Period>
SleepFor sleepFor(std::chrono::duration<Rep, Period> delay) {
    return SleepFor(delay);
}

} // namespace tarvo
