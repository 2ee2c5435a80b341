#pragma once

// Coroutine rules for this code base under GCC 12. Each was reproduced with g++ 12.2 here; the
// smallest reproduction follows the rule.
//
// 1. Never write a temporary made by aggregate initialisation whose members have destructors
//    inside a `co_await` expression: GCC destroys it twice (heap corruption, "free(): double
//    free detected", at -O2 as well as -O0). A lambda that captures is such a temporary, so
//    name it first: `auto work = [s] { .. }; auto r = co_await onWorker(work);` (`onWorker`
//    refuses a temporary at compile time).
//        struct Counted { ~Counted(); };          // counts its destructions
//        struct Holder { Counted member; };       // an aggregate
//        Ready take(Holder);                      // any awaitable
//        Task<> f() { co_await take(Holder{}); }  // ~Counted runs twice for one Counted
//    A class with a constructor of its own (`Request()` rather than `Request{..}`) is safe,
//    and so is a named awaiter: `auto nap = sleepFor(1s); co_await nap;` behaves.
//
// 2. Never write a braced list that becomes a `std::initializer_list` inside a `co_await`
//    expression: it does not compile ("array used as initializer"). Build the value first:
//    `Json body{{"limit", 3}}; co_await post(std::move(body));`.
//        Task<int> use(std::vector<std::string>);
//        Task<int> f() { co_return co_await use({"a", "b"}); }  // error
//
// 3. Take coroutine parameters by value. A task is lazy: a reference parameter still points at
//    the caller's temporary when the body first runs, long after it was destroyed.
//        Task<> f(const std::string& s) { co_await sleepFor(1s); use(s); }
//        spawn(f("text"));                        // `s` dangles
//
// 4. Symmetric transfer (resuming the awaiter straight from `await_suspend`) becomes a tail
//    call only when optimising. In the -O0 sanitizer build a long run of awaits that finish
//    without suspending grows the stack until it overflows, so a hot loop calls plain
//    functions rather than tasks.
//        Task<int> one() { co_return 1; }
//        for (int i = 0; i < 1000000; ++i) sum += co_await one();  // stack overflow at -O0
//
// 5. Never test the result of a `co_await` in place when it is a temporary with a destructor:
//    in an `if` or `switch` condition such a coroutine may never run its body at -O2 (the
//    caller waits forever) or stop at an illegal instruction. Name the result first:
//    `const std::string state = co_await probe(); if (state != "ready") ..`.
//        Task<std::string> probe();
//        Task<> f() { if (co_await probe() != "ready") co_return; }  // body never runs at -O2
//
// 6. Never write a conditional expression whose result is a temporary with a destructor inside a
//    `co_await` expression, not even nested in an argument: GCC frees memory it does not own
//    ("free(): invalid pointer", at -O0 and -O2), or the awaited body never runs. Build the
//    value in a named variable first:
//    `const std::string call = "open(" + (app ? *app : std::string("none")) + ")"; co_await f(call);`.
//        Task<> take(std::string);
//        Task<> f(std::optional<std::string> a) { co_await take("x" + (a ? *a : std::string("-"))); }

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
