#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "TarvoBase/Clock.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"

namespace tarvo {

// The first of an answer and a deadline: waits for `answer`, and when `due` comes first on the
// loop's clock, `expire` runs on the loop and settles it in the answer's place. Whatever settles it
// later is dropped. Without `due` it waits for the answer alone. The loop is held meanwhile, since
// the answer is usually posted from another thread.
template <class T>
Task<T> answerBy(std::shared_ptr<OneShotResult<T>> answer, std::optional<Clock::Instant> due,
                 std::function<void()> expire) {
    RunLoop& loop = RunLoop::current();
    const RunLoop::Hold hold(loop);
    struct Disarm {
        Timer timer;
        ~Disarm() { timer.invalidate(); }
    } disarm;
    if (due) {
        const auto now = loop.clock().now();
        disarm.timer = loop.schedule(*due > now ? *due - now : Clock::Duration::zero(), std::move(expire));
    }
    if constexpr (std::is_void_v<T>) {
        co_await *answer;
    } else {
        co_return std::move(co_await *answer);
    }
}

} // namespace tarvo
