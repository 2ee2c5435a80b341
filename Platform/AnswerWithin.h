#pragma once

#include <exception>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {

// Waits for `answer` until `due` on the loop's clock; past it, `answer` fails with a deadline
// failure saying `late`, and whatever settles it later is dropped. The loop is held meanwhile:
// the answer comes from the browser's reader thread.
template <class T>
Task<T> answerWithin(std::shared_ptr<OneShotResult<T>> answer, Clock::Instant due, std::string late) {
    RunLoop& loop = RunLoop::current();
    const RunLoop::Hold hold(loop);
    auto expire = [answer, late] {
        answer->fail(std::make_exception_ptr(PageHost::Failure(PageHost::Failure::Kind::deadline, late)));
    };
    const auto now = loop.clock().now();
    struct Disarm {
        Timer timer;
        ~Disarm() { timer.invalidate(); }
    } disarm{loop.schedule(due > now ? due - now : Clock::Duration::zero(), std::move(expire))};
    if constexpr (std::is_void_v<T>) {
        co_await *answer;
    } else {
        co_return std::move(co_await *answer);
    }
}

} // namespace tarvo
