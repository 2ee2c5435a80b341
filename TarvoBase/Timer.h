#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "TarvoBase/Clock.h"

namespace tarvo {

class RunLoop;

// A handle to a one-shot or repeating timer of a run loop. Copies share the timer; letting a
// handle go does not stop it, invalidating does (so an owner invalidates before it replaces).
class Timer {
public:
    Timer() = default;

    void invalidate();
    bool isValid() const;

private:
    friend class RunLoop;

    struct State {
        std::function<void()> fire;
        Clock::Duration interval{};
        bool repeats = false;
        std::atomic<bool> valid{true};
    };

    explicit Timer(std::shared_ptr<State> state) : state_(std::move(state)) {}

    std::shared_ptr<State> state_;
};

} // namespace tarvo
