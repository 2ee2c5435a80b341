#pragma once

#include <condition_variable>
#include <coroutine>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_set>

#include "TarvoBase/Clock.h"
#include "TarvoBase/Timer.h"
#include "TarvoBase/WorkerPool.h"

namespace tarvo {

// The main loop of the main thread: posted work and timers run here, one at a time, and every
// coroutine task resumes here. The loop made on a thread becomes that thread's current loop.
// An exception that escapes posted work or a timer is logged as one line and the loop goes on.
class RunLoop {
public:
    static constexpr std::size_t workerThreads = 4;

    explicit RunLoop(std::shared_ptr<Clock> clock = std::make_shared<SystemClock>());
    ~RunLoop();

    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // The loop of the calling thread; only valid while one exists.
    static RunLoop& current();

    Clock& clock() { return *clock_; }
    // For objects that keep the clock they read.
    std::shared_ptr<const Clock> sharedClock() const { return clock_; }
    WorkerPool& workers() { return workers_; }

    // Safe from any thread. Work posted after the loop began shutting down is dropped.
    void post(std::function<void()> work);

    Timer schedule(Clock::Duration delay, std::function<void()> fire);
    Timer scheduleRepeating(Clock::Duration interval, std::function<void()> fire);

    // Runs posted work and due timers until nothing more is ready; returns how many ran.
    std::size_t runReady();

    // Runs what is ready, then waits for the next event: a post, or the next timer (a clock
    // moved by hand jumps straight to it). Returns false when nothing can ever happen again.
    bool runOnce();

    // Fake clocks only: moves time forward by `by`, firing due timers in due order, each at
    // its own due time, with the posted work they cause in between.
    void advance(Clock::Duration by);

    // Runs until `stop()` is called (from any thread) or nothing can happen any more.
    void run();
    void stop();

    // Held, on the loop's own thread, while another thread owes the loop a post (a transfer on
    // an I/O thread): the loop then waits for posts instead of concluding that nothing can
    // happen any more.
    // Whether some thread owes the loop a post right now.
    bool isHeld() const { return holds_ > 0; }

    class Hold {
    public:
        explicit Hold(RunLoop& loop) : loop_(loop) { ++loop_.holds_; }
        ~Hold() { --loop_.holds_; }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        RunLoop& loop_;
    };

    // Detached tasks are owned by the loop so that shutdown can destroy the ones that never
    // finished; see `spawn`.
    void adoptDetached(std::coroutine_handle<> frame);
    void releaseDetached(std::coroutine_handle<> frame);

private:
    struct Scheduled {
        Clock::Instant due;
        std::uint64_t sequence;
        std::shared_ptr<Timer::State> timer;
        bool operator<(const Scheduled& other) const {
            return due != other.due ? due < other.due : sequence < other.sequence;
        }
    };

    Timer add(Clock::Duration delay, Clock::Duration interval, bool repeats, std::function<void()> fire);
    bool runOnePosted();
    bool runOneDueTimer();
    std::optional<Clock::Instant> nextDue();

    std::shared_ptr<Clock> clock_;
    RunLoop* previous_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    std::set<Scheduled> timers_;
    std::uint64_t nextSequence_ = 0;
    bool closed_ = false;
    bool stopRequested_ = false;

    std::size_t holds_ = 0;
    std::unordered_set<void*> detached_;
    bool destroyingDetached_ = false;

    WorkerPool workers_{workerThreads};
};

} // namespace tarvo
