#pragma once

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "TarvoBase/AnswerBy.h"
#include "TarvoBase/Clock.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/AnswerOnce.h"

namespace tarvo::WhatsAppWeb {

// Starts a callback operation and answers what it calls back with, or `orElse()` once `within` has
// passed on the loop's clock, whichever comes first; later answers are dropped. Without `within` it
// waits for the callback alone. The callback may be called on any thread; `orElse` runs on the loop,
// and what it throws is what the caller gets.
template <class T>
Task<T> firstAnswer(std::optional<std::chrono::duration<double>> within, std::function<T()> orElse,
                    std::function<void(std::function<void(T)>)> start) {
    RunLoop& loop = RunLoop::current();
    auto answer = std::make_shared<OneShotResult<T>>();
    const auto once = std::make_shared<AnswerOnce<T>>(loop, answer);
    struct Withdraw {
        std::shared_ptr<AnswerOnce<T>> once;
        ~Withdraw() { once->withdraw(); }
    } const withdraw{once};
    std::optional<Clock::Instant> due;
    if (within) due = loop.clock().now() + std::chrono::duration_cast<Clock::Duration>(*within);
    std::function<void()> expire = [answer, orElse = std::move(orElse)] {
        try {
            answer->succeed(orElse());
        } catch (...) {
            answer->fail(std::current_exception());
        }
    };
    std::function<void(T)> give = [once](T value) { once->give(std::move(value)); };
    start(std::move(give));
    co_return co_await answerBy(std::move(answer), due, std::move(expire));
}

} // namespace tarvo::WhatsAppWeb
