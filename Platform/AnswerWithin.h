#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "TarvoBase/AnswerBy.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {

// Waits for `answer` until `due` on the loop's clock; past it, `answer` fails with a deadline
// failure saying `late`, and whatever settles it later is dropped. The answer comes from the
// browser's reader thread.
template <class T>
Task<T> answerWithin(std::shared_ptr<OneShotResult<T>> answer, Clock::Instant due, std::string late) {
    std::function<void()> expire = [answer, late = std::move(late)] {
        answer->fail(std::make_exception_ptr(PageHost::Failure(PageHost::Failure::Kind::deadline, late)));
    };
    return answerBy(std::move(answer), due, std::move(expire));
}

} // namespace tarvo
