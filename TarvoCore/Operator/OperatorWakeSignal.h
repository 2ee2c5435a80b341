#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "TarvoBase/Clock.h"
#include "TarvoBase/Task.h"

namespace tarvo {

// Wakes the operator link's one waiting task early when something changes what it may ask for.
// Level-triggered with one bit: a signal while nobody waits is kept for the next wait, and
// several such signals wake it once. Signal and cancel from any thread; arm and wait on a run
// loop's thread, whose clock times the wait. Every handler is called after unlocking, exactly
// once: it is taken out of the signal before it runs.
class OperatorWakeSignal : public std::enable_shared_from_this<OperatorWakeSignal> {
public:
    using Seconds = std::chrono::duration<double>;
    using Handler = std::function<void(bool signalled)>;

    // Shared, so that a wait's timer can hold it weakly.
    static std::shared_ptr<OperatorWakeSignal> make();

    OperatorWakeSignal(const OperatorWakeSignal&) = delete;
    OperatorWakeSignal& operator=(const OperatorWakeSignal&) = delete;

    void signal();

    // Resumes on the calling loop: true when signalled (at once when a signal is pending),
    // false when `upTo` passed first or the wait was cancelled.
    Task<bool> wait(Seconds upTo);

    // Makes `handler` the one waiter. A waiter still armed is woken with true, as if
    // signalled: there is only ever one.
    void arm(Seconds upTo, Handler handler);

    // The armed waiter, if any, gets false.
    void cancelWait();

private:
    OperatorWakeSignal() = default;

    // A negative or unreadable time is no time; a time beyond the clock's range is cut.
    static Clock::Duration timerDelay(Seconds upTo);
    void expire(std::uint64_t generation);

    std::mutex lock_;
    bool pending_ = false;
    Handler waiter_;
    // Raised each time a waiter is taken, so that a timer outlived by its waiter does nothing.
    std::uint64_t generation_ = 0;
};

} // namespace tarvo
