#pragma once

#include <chrono>
#include <coroutine>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "TarvoBase/Clock.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"

namespace tarvo {

// A slow, blocking reading taken on a worker, at most one at a time, that callers wait for no
// longer than they choose. Every caller waiting when a reading ends is answered by that reading;
// a caller whose limit passes first is told so, and the reading still stores its value when it
// ends. The newest value stays at hand for callers that take a recent one without waiting.
//
// Ages are measured on the clock's steady time line, so setting the wall clock neither makes an
// old value fresh nor a fresh one old.
template <class Value>
class BoundedReading {
public:
    // A limit beyond this is cut to it: the loop's time line could not hold it.
    static constexpr std::chrono::hours longestWait{24 * 365 * 100};

    BoundedReading(std::shared_ptr<const Clock> clock, std::function<Value()> read)
        : state_(std::make_shared<State>(std::move(clock), std::move(read))) {}

    BoundedReading(const BoundedReading&) = delete;
    BoundedReading& operator=(const BoundedReading&) = delete;

    // Starts a reading unless one is under way, and waits for the reading under way to end for
    // at most `waitingAtMost` (a negative or not-a-number limit counts as none). True when it
    // ended in time, its value then in `newestValue`; false when the limit passed first or the
    // reading failed. The wait holds only shared state: this object may go while it lasts.
    Task<bool> refresh(std::chrono::duration<double> waitingAtMost) {
        return waitForReading(state_, waitLimit(waitingAtMost));
    }

    // The newest value when it is at most `notOlderThan` old; never waits.
    std::optional<Value> latest(std::chrono::duration<double> notOlderThan) const {
        const Clock::Instant now = state_->clock->now();
        std::lock_guard lock(state_->lock);
        if (!state_->newest) return std::nullopt;
        const std::chrono::duration<double> age = now - state_->newest->at;
        if (!(age <= notOlderThan)) return std::nullopt;
        return state_->newest->value;
    }

    std::optional<Value> newestValue() const {
        std::lock_guard lock(state_->lock);
        if (!state_->newest) return std::nullopt;
        return state_->newest->value;
    }

    int readsStarted() const {
        std::lock_guard lock(state_->lock);
        return state_->started;
    }

private:
    struct Newest {
        Value value;
        Clock::Instant at;
    };

    // A caller suspended until a reading ends or its limit passes, whichever is first.
    struct Waiter {
        RunLoop* loop;
        std::coroutine_handle<> caller;
        bool* answer;
        Timer limit;
    };

    // Shared by the object, its waiting callers and the reading under way, so that either may
    // outlive the others.
    struct State {
        State(std::shared_ptr<const Clock> clock, std::function<Value()> read)
            : clock(std::move(clock)), read(std::move(read)) {}

        const std::shared_ptr<const Clock> clock;
        const std::function<Value()> read;

        mutable std::mutex lock;
        std::optional<Newest> newest;
        bool running = false;
        int started = 0;
        std::uint64_t nextWaiter = 0;
        std::map<std::uint64_t, Waiter> waiters;

        // Stores what the reading gave, if anything, and answers everyone waiting.
        void finish(std::optional<Newest> taken) {
            std::map<std::uint64_t, Waiter> answered;
            {
                std::lock_guard guard(lock);
                if (taken) newest = std::move(*taken);
                running = false;
                answered.swap(waiters);
            }
            for (auto& [ticket, waiter] : answered) {
                waiter.limit.invalidate();
                *waiter.answer = taken.has_value();
                waiter.loop->post([caller = waiter.caller] { caller.resume(); });
            }
        }

        void timeOut(std::uint64_t ticket) {
            std::optional<Waiter> expired;
            {
                std::lock_guard guard(lock);
                if (auto found = waiters.find(ticket); found != waiters.end()) {
                    expired = found->second;
                    waiters.erase(found);
                }
            }
            if (!expired) return;
            *expired->answer = false;
            expired->caller.resume();
        }
    };

    class ReadingEnd {
    public:
        ReadingEnd(std::shared_ptr<State> state, Clock::Duration limit) : state_(std::move(state)), limit_(limit) {}

        bool await_ready() const noexcept { return false; }

        void await_suspend(std::coroutine_handle<> caller) {
            RunLoop& loop = RunLoop::current();
            std::uint64_t ticket = 0;
            {
                std::lock_guard guard(state_->lock);
                ticket = ++state_->nextWaiter;
            }
            // The time-out runs on this loop's thread, so it cannot fire before this returns. It
            // holds the state weakly: the state holds it while the caller waits.
            auto timeOut = [weakState = std::weak_ptr<State>(state_), ticket] {
                if (auto state = weakState.lock()) state->timeOut(ticket);
            };
            Timer limit = loop.schedule(limit_, timeOut);
            bool starts = false;
            {
                std::lock_guard guard(state_->lock);
                state_->waiters.emplace(ticket, Waiter{&loop, caller, &answer_, limit});
                starts = !std::exchange(state_->running, true);
                if (starts) ++state_->started;
            }
            if (starts) spawn(readOnce(state_));
        }

        bool await_resume() const noexcept { return answer_; }

    private:
        std::shared_ptr<State> state_;
        Clock::Duration limit_;
        bool answer_ = false;
    };

    static Task<bool> waitForReading(std::shared_ptr<State> state, Clock::Duration limit) {
        ReadingEnd end(std::move(state), limit);
        co_return co_await end;
    }

    // A failed reading stores nothing, answers its waiters false and is logged; the next
    // refresh reads again.
    static Task<void> readOnce(std::shared_ptr<State> state) {
        auto work = [state] {
            Value value = state->read();
            return Newest{std::move(value), state->clock->now()};
        };
        std::optional<Newest> taken;
        std::exception_ptr failure;
        try {
            taken.emplace(co_await onWorker(work));
        } catch (...) {
            failure = std::current_exception();
        }
        state->finish(std::move(taken));
        if (failure) std::rethrow_exception(failure);
    }

    static Clock::Duration waitLimit(std::chrono::duration<double> seconds) {
        if (!(seconds > seconds.zero())) return Clock::Duration::zero();
        if (seconds >= longestWait) return longestWait;
        return std::chrono::duration_cast<Clock::Duration>(seconds);
    }

    std::shared_ptr<State> state_;
};

} // namespace tarvo
