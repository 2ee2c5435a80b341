#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>

#include "TarvoBase/RunLoop.h"

namespace tarvo {

// `co_await onWorker(fn)` runs blocking `fn` on the loop's worker pool and resumes on the
// loop with its result, or with its exception rethrown.
template <class R>
class OnWorker {
public:
    explicit OnWorker(std::function<R()> work) : work_(std::move(work)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> awaiting) {
        RunLoop& loop = RunLoop::current();
        loop.workers().submit([this, awaiting, &loop] {
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
        });
    }

    R await_resume() {
        if (error_) std::rethrow_exception(error_);
        if constexpr (!std::is_void_v<R>) return std::move(*result_);
    }

private:
    using Stored = std::conditional_t<std::is_void_v<R>, bool, R>;

    std::function<R()> work_;
    std::optional<Stored> result_;
    std::exception_ptr error_;
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
