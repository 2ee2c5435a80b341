#pragma once

#include <coroutine>
#include <exception>
#include <stdexcept>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/UncaughtError.h"

namespace tarvo {

namespace detail {

// The frame of a detached task. The loop owns it until it ends: it ends itself when its body
// is done, and the loop destroys the ones still suspended when the loop goes away.
struct DetachedTask {
    struct promise_type {
        RunLoop* loop = nullptr;

        DetachedTask get_return_object() noexcept {
            return {std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { logUncaught("a background task", std::current_exception()); }
        ~promise_type() {
            if (loop) loop->releaseDetached(std::coroutine_handle<promise_type>::from_promise(*this));
        }
    };
    std::coroutine_handle<promise_type> frame;
};

template <class T>
DetachedTask runDetached(Task<T> task) {
    co_await std::move(task);
}

} // namespace detail

// Starts `task` on the current loop's next turn without waiting for it. Its uncaught
// exception is logged as one line; it is never lost and never fatal.
template <class T>
void spawn(Task<T> task) {
    RunLoop& loop = RunLoop::current();
    auto frame = detail::runDetached(std::move(task)).frame;
    frame.promise().loop = &loop;
    loop.adoptDetached(frame);
    loop.post([frame] { frame.resume(); });
}

// Drives `loop` until `task` ends and hands back its value or exception. For the program's
// entry point and tests; never called from inside a task.
template <class T>
T runUntilDone(RunLoop& loop, Task<T> task) {
    std::optional<std::conditional_t<std::is_void_v<T>, bool, T>> result;
    std::exception_ptr error;
    bool done = false;
    auto body = [](Task<T> inner, auto* result, std::exception_ptr* error, bool* done) -> Task<void> {
        try {
            if constexpr (std::is_void_v<T>) {
                co_await std::move(inner);
                result->emplace(true);
            } else {
                result->emplace(co_await std::move(inner));
            }
        } catch (...) {
            *error = std::current_exception();
        }
        *done = true;
    };
    spawn(body(std::move(task), &result, &error, &done));
    while (!done) {
        if (!loop.runOnce()) throw std::logic_error("the task waits for something that never comes");
    }
    if (error) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<T>) return std::move(*result);
}

} // namespace tarvo
