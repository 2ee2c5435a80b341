#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

namespace tarvo {

template <class T = void>
class Task;

namespace detail {

struct TaskPromiseBase {
    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <class Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> done) noexcept {
            return done.promise().continuation;
        }
        void await_resume() noexcept {}
    };

    std::suspend_always initial_suspend() noexcept { return {}; }
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { exception = std::current_exception(); }

    std::coroutine_handle<> continuation = std::noop_coroutine();
    std::exception_ptr exception;
};

template <class T>
struct TaskPromise : TaskPromiseBase {
    Task<T> get_return_object() noexcept;
    template <class U>
    void return_value(U&& value) {
        result.emplace(std::forward<U>(value));
    }
    T take() {
        if (exception) std::rethrow_exception(exception);
        return std::move(*result);
    }
    std::optional<T> result;
};

template <>
struct TaskPromise<void> : TaskPromiseBase {
    Task<void> get_return_object() noexcept;
    void return_void() noexcept {}
    void take() {
        if (exception) std::rethrow_exception(exception);
    }
};

} // namespace detail

// A lazy coroutine: it starts when awaited and resumes its awaiter when it ends, carrying its
// value or its exception. Coroutines take their parameters by value: a reference parameter
// would dangle after the first suspension.
template <class T>
class [[nodiscard]] Task {
public:
    using promise_type = detail::TaskPromise<T>;
    using Handle = std::coroutine_handle<promise_type>;

    Task() = default;
    explicit Task(Handle handle) : handle_(handle) {}
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            if (handle_) handle_.destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    ~Task() {
        if (handle_) handle_.destroy();
    }

    auto operator co_await() && noexcept {
        struct Awaiter {
            Handle handle;
            bool await_ready() noexcept { return handle.done(); }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
                handle.promise().continuation = awaiting;
                return handle;
            }
            T await_resume() { return handle.promise().take(); }
        };
        return Awaiter{handle_};
    }

private:
    Handle handle_;
};

namespace detail {

template <class T>
Task<T> TaskPromise<T>::get_return_object() noexcept {
    return Task<T>(std::coroutine_handle<TaskPromise<T>>::from_promise(*this));
}

inline Task<void> TaskPromise<void>::get_return_object() noexcept {
    return Task<void>(std::coroutine_handle<TaskPromise<void>>::from_promise(*this));
}

} // namespace detail

} // namespace tarvo
