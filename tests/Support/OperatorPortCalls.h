#pragma once

#include <coroutine>
#include <cstddef>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Task.h"

namespace tarvo::testing {

// What the fake operator ports were asked, in the order asked, shared by all of them, and what a
// test makes happen while a call is answered. Calls are numbered from 1 across every port.
class OperatorPortCalls {
public:
    // "runningApps()", "capture(only: Notes, excluding: 57)", "snapshot(of: Notes, generation: 3,
    // budget: 6000)": the operation's name, then its arguments.
    std::vector<std::string> log;
    // Run while the call of that number is being answered, before it answers: stop the session,
    // hide the bar, turn a condition off, bring another app to the front, change a file.
    std::map<std::size_t, std::function<void()>> before;
    // Operations, by name, that throw this instead of answering, however often they are called.
    std::map<std::string, std::exception_ptr, std::less<>> failing;
    // Each call lets the loop run other work before it answers, as a real port would.
    bool yields = true;

    // Records the call, runs the test's callback for its number, lets the loop turn, and throws
    // when the operation is failing.
    Task<void> answer(std::string call) {
        log.push_back(call);
        const std::size_t number = log.size();
        if (const auto found = before.find(number); found != before.end()) found->second();
        if (yields) co_await YieldToLoop{};
        const std::string operation = call.substr(0, call.find('('));
        if (const auto found = failing.find(operation); found != failing.end()) std::rethrow_exception(found->second);
    }

    // The calls whose operation has this name, in order.
    std::vector<std::string> of(std::string_view operation) const {
        std::vector<std::string> calls;
        for (const std::string& call : log) {
            if (call.substr(0, call.find('(')) == operation) calls.push_back(call);
        }
        return calls;
    }

private:
    struct YieldToLoop {
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiter) {
            RunLoop::current().post([waiter] { waiter.resume(); });
        }
        void await_resume() const noexcept {}
    };
};

} // namespace tarvo::testing
