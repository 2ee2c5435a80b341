#include "TarvoBase/RunLoop.h"

#include <stdexcept>
#include <vector>

#include "TarvoBase/UncaughtError.h"

namespace tarvo {
namespace {
thread_local RunLoop* currentLoop = nullptr;
}

RunLoop::RunLoop(std::shared_ptr<Clock> clock) : clock_(std::move(clock)), previous_(currentLoop) {
    currentLoop = this;
}

RunLoop::~RunLoop() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    // Running jobs may still post their resumptions; those are dropped because the loop is
    // closed, and the frames they would have resumed are destroyed below.
    workers_.shutdown();
    std::deque<std::function<void()>> posted;
    std::set<Scheduled> timers;
    {
        std::lock_guard lock(mutex_);
        posted.swap(posted_);
        timers.swap(timers_);
    }
    posted.clear();
    timers.clear();

    destroyingDetached_ = true;
    std::vector<void*> frames(detached_.begin(), detached_.end());
    detached_.clear();
    for (void* frame : frames) std::coroutine_handle<>::from_address(frame).destroy();

    currentLoop = previous_;
}

RunLoop& RunLoop::current() {
    if (!currentLoop) throw std::logic_error("no run loop on this thread");
    return *currentLoop;
}

void RunLoop::post(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        posted_.push_back(std::move(work));
    }
    wake_.notify_one();
}

Timer RunLoop::schedule(Clock::Duration delay, std::function<void()> fire) {
    return add(delay, {}, false, std::move(fire));
}

Timer RunLoop::scheduleRepeating(Clock::Duration interval, std::function<void()> fire) {
    return add(interval, interval, true, std::move(fire));
}

Timer RunLoop::add(Clock::Duration delay, Clock::Duration interval, bool repeats, std::function<void()> fire) {
    auto state = std::make_shared<Timer::State>();
    state->fire = std::move(fire);
    state->interval = interval;
    state->repeats = repeats;
    {
        std::lock_guard lock(mutex_);
        if (!closed_) timers_.insert({clock_->now() + delay, nextSequence_++, state});
    }
    wake_.notify_one();
    return Timer(state);
}

bool RunLoop::runOnePosted() {
    std::function<void()> work;
    {
        std::lock_guard lock(mutex_);
        if (posted_.empty()) return false;
        work = std::move(posted_.front());
        posted_.pop_front();
    }
    try {
        work();
    } catch (...) {
        logUncaught("posted work", std::current_exception());
    }
    return true;
}

bool RunLoop::runOneDueTimer() {
    std::shared_ptr<Timer::State> timer;
    {
        std::lock_guard lock(mutex_);
        const auto now = clock_->now();
        while (!timers_.empty()) {
            auto first = timers_.begin();
            if (first->due > now) return false;
            Scheduled due = *first;
            timers_.erase(first);
            if (!due.timer->valid) continue;
            if (due.timer->repeats) {
                // A loop that fell behind skips the turns it missed rather than firing a burst.
                auto next = due.due + due.timer->interval;
                if (next <= now) next = now + due.timer->interval;
                timers_.insert({next, nextSequence_++, due.timer});
            } else {
                due.timer->valid = false;
            }
            timer = due.timer;
            break;
        }
    }
    if (!timer) return false;
    try {
        timer->fire();
    } catch (...) {
        logUncaught("a timer", std::current_exception());
    }
    return true;
}

std::optional<Clock::Instant> RunLoop::nextDue() {
    std::lock_guard lock(mutex_);
    while (!timers_.empty() && !timers_.begin()->timer->valid) timers_.erase(timers_.begin());
    if (timers_.empty()) return std::nullopt;
    return timers_.begin()->due;
}

std::size_t RunLoop::runReady() {
    std::size_t ran = 0;
    for (;;) {
        if (runOnePosted() || runOneDueTimer()) {
            ++ran;
            continue;
        }
        return ran;
    }
}

bool RunLoop::runOnce() {
    if (runReady() > 0) return true;
    const auto due = nextDue();
    if (clock_->movesByHand()) {
        if (due) {
            advance(*due - clock_->now());
            return true;
        }
        std::unique_lock lock(mutex_);
        if (workers_.outstanding() == 0 && holds_ == 0 && posted_.empty()) return false;
        wake_.wait(lock, [this] { return !posted_.empty() || stopRequested_; });
        return true;
    }
    std::unique_lock lock(mutex_);
    auto ready = [this] { return !posted_.empty() || stopRequested_; };
    if (due) {
        wake_.wait_until(lock, *due, ready);
    } else {
        if (workers_.outstanding() == 0 && holds_ == 0 && posted_.empty() && timers_.empty()) return false;
        wake_.wait(lock, ready);
    }
    return true;
}

void RunLoop::advance(Clock::Duration by) {
    auto* fake = dynamic_cast<FakeClock*>(clock_.get());
    if (!fake) throw std::logic_error("only a fake clock can be advanced by hand");
    const auto target = fake->now() + by;
    runReady();
    for (auto due = nextDue(); due && *due <= target; due = nextDue()) {
        if (*due > fake->now()) fake->advance(*due - fake->now());
        runReady();
    }
    if (target > fake->now()) fake->advance(target - fake->now());
    runReady();
}

void RunLoop::run() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopRequested_) {
                stopRequested_ = false;
                return;
            }
        }
        if (!runOnce()) return;
    }
}

void RunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
}

void RunLoop::adoptDetached(std::coroutine_handle<> frame) { detached_.insert(frame.address()); }

void RunLoop::releaseDetached(std::coroutine_handle<> frame) {
    if (!destroyingDetached_) detached_.erase(frame.address());
}

} // namespace tarvo
