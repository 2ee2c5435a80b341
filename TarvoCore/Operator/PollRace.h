#pragma once

#include <exception>
#include <memory>
#include <optional>
#include <utility>

#include "TarvoBase/Race.h"
#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/OperatorWakeSignal.h"

namespace tarvo {

// Which came first of a long poll, the wake signal and a time limit.
template <class T>
class PollRace {
public:
    enum class Kind { answered, changed, timedOut };

    Kind kind() const { return kind_; }

    // The poll's answer, or its error rethrown. Only for `answered`.
    T& answer() {
        if (error_) std::rethrow_exception(error_);
        return *answer_;
    }
    std::exception_ptr error() const { return error_; }

    // Resumes once with the first of the three. The poll is never cancelled: after `changed`
    // or `timedOut` it runs on, and a caller that wants its late answer keeps it through state
    // of its own. A signal that lands while the poll is answering is kept for the next wait.
    static Task<PollRace> run(Task<T> poll, std::shared_ptr<OperatorWakeSignal> wake, OperatorWakeSignal::Seconds upTo) {
        auto answered = std::make_shared<bool>(false);
        std::optional<PollRace> outcome;
        try {
            auto racing = race(pollEntrant(std::move(poll), answered), wakeEntrant(wake, upTo, answered));
            auto first = co_await std::move(racing);
            if (first.index() == 0) {
                outcome = PollRace(Kind::answered, std::move(std::get<0>(first)), nullptr);
            } else {
                outcome = PollRace(std::get<1>(first) ? Kind::changed : Kind::timedOut, std::nullopt, nullptr);
            }
        } catch (...) {
            outcome = PollRace(Kind::answered, std::nullopt, std::current_exception());
        }
        if (outcome->kind() == Kind::answered) wake->cancelWait();
        co_return std::move(*outcome);
    }

private:
    PollRace(Kind kind, std::optional<T> answer, std::exception_ptr error)
        : kind_(kind), answer_(std::move(answer)), error_(std::move(error)) {}

    static Task<T> pollEntrant(Task<T> poll, std::shared_ptr<bool> answered) {
        try {
            auto answer = co_await std::move(poll);
            *answered = true;
            co_return answer;
        } catch (...) {
            *answered = true;
            throw;
        }
    }

    // A wake taken by this wait after the poll already won would otherwise be lost.
    static Task<bool> wakeEntrant(std::shared_ptr<OperatorWakeSignal> wake, OperatorWakeSignal::Seconds upTo,
                                  std::shared_ptr<bool> answered) {
        const bool signalled = co_await wake->wait(upTo);
        if (signalled && *answered) wake->signal();
        co_return signalled;
    }

    Kind kind_;
    std::optional<T> answer_;
    std::exception_ptr error_;
};

} // namespace tarvo
