#include "TarvoCore/Operator/OperatorWakeSignal.h"

#include <algorithm>
#include <coroutine>
#include <utility>

#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

// Suspends until the armed handler runs, then resumes on the loop that armed it, whichever
// thread the handler ran on.
class Waiting {
public:
    Waiting(std::shared_ptr<OperatorWakeSignal> signal, OperatorWakeSignal::Seconds upTo)
        : signal_(std::move(signal)), upTo_(upTo) {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) {
        RunLoop* loop = &RunLoop::current();
        signal_->arm(upTo_, [this, waiting, loop](bool signalled) {
            signalled_ = signalled;
            loop->post([waiting] { waiting.resume(); });
        });
    }
    bool await_resume() const noexcept { return signalled_; }

private:
    std::shared_ptr<OperatorWakeSignal> signal_;
    OperatorWakeSignal::Seconds upTo_;
    bool signalled_ = false;
};

} // namespace

std::shared_ptr<OperatorWakeSignal> OperatorWakeSignal::make() {
    return std::shared_ptr<OperatorWakeSignal>(new OperatorWakeSignal());
}

void OperatorWakeSignal::signal() {
    Handler taken;
    {
        std::lock_guard guard(lock_);
        if (!waiter_) {
            pending_ = true;
            return;
        }
        taken = std::exchange(waiter_, nullptr);
        ++generation_;
    }
    taken(true);
}

Task<bool> OperatorWakeSignal::wait(Seconds upTo) {
    Waiting waiting(shared_from_this(), upTo);
    co_return co_await waiting;
}

void OperatorWakeSignal::arm(Seconds upTo, Handler handler) {
    std::unique_lock guard(lock_);
    // Checked again after each displaced waiter ran unlocked: a signal may have come meanwhile.
    while (true) {
        if (std::exchange(pending_, false)) {
            guard.unlock();
            handler(true);
            return;
        }
        if (!waiter_) break;
        Handler displaced = std::exchange(waiter_, nullptr);
        ++generation_;
        guard.unlock();
        displaced(true);
        guard.lock();
    }
    waiter_ = std::move(handler);
    const std::uint64_t armed = generation_;
    guard.unlock();

    const std::weak_ptr<OperatorWakeSignal> weak = weak_from_this();
    RunLoop::current().schedule(timerDelay(upTo), [weak, armed] {
        if (const auto signal = weak.lock()) signal->expire(armed);
    });
}

void OperatorWakeSignal::cancelWait() {
    Handler taken;
    {
        std::lock_guard guard(lock_);
        if (!waiter_) return;
        taken = std::exchange(waiter_, nullptr);
        ++generation_;
    }
    taken(false);
}

void OperatorWakeSignal::expire(std::uint64_t generation) {
    Handler taken;
    {
        std::lock_guard guard(lock_);
        if (generation_ != generation || !waiter_) return;
        taken = std::exchange(waiter_, nullptr);
        generation_ = generation + 1;
    }
    taken(false);
}

Clock::Duration OperatorWakeSignal::timerDelay(Seconds upTo) {
    constexpr Seconds longest{1e9};
    if (!(upTo.count() > 0)) return Clock::Duration::zero();
    return std::chrono::duration_cast<Clock::Duration>(std::min(upTo, longest));
}

} // namespace tarvo
