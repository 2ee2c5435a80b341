#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "TarvoBase/RunLoop.h"

namespace tarvo {

// A value (or an exception) that arrives once and is then read by every task awaiting it:
// the race's winner, the token renewal in flight, the operator's wake-up. The first `succeed`
// or `fail` settles it and later ones are ignored. Waiters that came before resume on their
// loop's next turn, never inside the call that settled it, in the order they came; waiters
// after it go on at once. Used on the loop's thread only; whoever settles or awaits it keeps it
// alive (a `std::shared_ptr`) until the waiters have resumed.
template <class T = void>
class OneShotResult {
public:
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    OneShotResult() = default;
    OneShotResult(const OneShotResult&) = delete;
    OneShotResult& operator=(const OneShotResult&) = delete;

    bool isSettled() const { return value_.has_value() || error_ != nullptr; }

    // True when this call settled it.
    bool succeed(Value value)
        requires(!std::is_void_v<T>)
    {
        if (isSettled()) return false;
        value_.emplace(std::move(value));
        wakeWaiters();
        return true;
    }
    bool succeed()
        requires std::is_void_v<T>
    {
        if (isSettled()) return false;
        value_.emplace();
        wakeWaiters();
        return true;
    }
    bool fail(std::exception_ptr error) {
        if (isSettled()) return false;
        error_ = std::move(error);
        wakeWaiters();
        return true;
    }

    // `co_await result` gives the value (a reference into this result, so a single waiter may
    // move it out) or rethrows the exception.
    auto operator co_await() & noexcept {
        struct Awaiter {
            OneShotResult* result;
            bool await_ready() const noexcept { return result->isSettled(); }
            void await_suspend(std::coroutine_handle<> waiter) {
                result->waiters_.push_back({&RunLoop::current(), waiter});
            }
            decltype(auto) await_resume() const {
                if (result->error_) std::rethrow_exception(result->error_);
                if constexpr (!std::is_void_v<T>) return static_cast<T&>(*result->value_);
            }
        };
        return Awaiter{this};
    }

private:
    struct Waiter {
        RunLoop* loop;
        std::coroutine_handle<> handle;
    };

    void wakeWaiters() {
        for (const Waiter& waiter : std::exchange(waiters_, {})) {
            waiter.loop->post([handle = waiter.handle] { handle.resume(); });
        }
    }

    std::optional<Value> value_;
    std::exception_ptr error_;
    std::vector<Waiter> waiters_;
};

} // namespace tarvo
