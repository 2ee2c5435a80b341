#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>

#include "TarvoBase/RunLoop.h"

namespace tarvo {

// `co_await onWorker(fn)` runs blocking `fn` on the loop's worker pool and resumes on the
// loop with its result, or with its exception rethrown. Given a `submit` of its own, the work
// runs on the thread that hands it to instead (a thread that alone may call some library).
template <class R>
class OnWorker {
public:
    using Submit = std::function<void(std::function<void()>)>;

    explicit OnWorker(std::function<R()> work, Submit submit = {})
        : work_(std::move(work)), submit_(std::move(submit)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> awaiting) {
        RunLoop& loop = RunLoop::current();
        auto job = [this, awaiting, &loop] {
            try {
                if constexpr (std::is_void_v<R>) {
                    work_();
                } else {
                    result_.emplace(work_());
                }
            } catch (...) {
                error_ = std::current_exception();
            }
            loop.post([awaiting] { awaiting.resume(); });
        };
        if (!submit_) {
            loop.workers().submit(std::move(job));
            return;
        }
        // The loop waits for the answer rather than conclude that nothing can come: it counts
        // only its own pool's work.
        hold_.emplace(loop);
        submit_(std::move(job));
    }

    R await_resume() {
        hold_.reset();
        if (error_) std::rethrow_exception(error_);
        if constexpr (!std::is_void_v<R>) return std::move(*result_);
    }

private:
    using Stored = std::conditional_t<std::is_void_v<R>, bool, R>;

    std::function<R()> work_;
    Submit submit_;
    std::optional<Stored> result_;
    std::exception_ptr error_;
    std::optional<RunLoop::Hold> hold_;
};

// Takes named work only (the work is copied): a lambda written inside the `co_await`
// expression is destroyed twice by GCC 12 (see Task.h), so that form does not compile.
template <class F>
auto onWorker(F& work) {
    using R = std::invoke_result_t<F&>;
    return OnWorker<R>(std::function<R()>(work));
}

template <class F>
void onWorker(F&& work) = delete;

} // namespace tarvo
