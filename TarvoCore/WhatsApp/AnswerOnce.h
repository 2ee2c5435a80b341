#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo::WhatsAppWeb {

// The hand-over of an answer that may come on any thread to a wait on the loop: the first `give`
// posts its value to the loop and every later one is dropped. Once the wait is over it is
// withdrawn, and a value given after that touches neither the answer nor the loop, which may be
// gone by then.
template <class T>
class AnswerOnce {
public:
    AnswerOnce(RunLoop& loop, std::shared_ptr<OneShotResult<T>> answer) : waiting_(Waiting{&loop, std::move(answer)}) {}

    AnswerOnce(const AnswerOnce&) = delete;
    AnswerOnce& operator=(const AnswerOnce&) = delete;

    void give(T value) {
        const std::lock_guard lock(mutex_);
        // Posting under the lock keeps the loop alive for the post: the wait withdraws, under the
        // same lock, before its loop can end.
        if (!waiting_) return;
        const Waiting waiting = *std::exchange(waiting_, std::nullopt);
        auto settle = [answer = waiting.answer, value = std::move(value)]() mutable { answer->succeed(std::move(value)); };
        waiting.loop->post(std::move(settle));
    }

    void withdraw() {
        const std::lock_guard lock(mutex_);
        waiting_.reset();
    }

private:
    struct Waiting {
        RunLoop* loop;
        std::shared_ptr<OneShotResult<T>> answer;
    };

    std::mutex mutex_;
    std::optional<Waiting> waiting_;
};

} // namespace tarvo::WhatsAppWeb
