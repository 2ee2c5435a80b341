#pragma once

#include <functional>

namespace tarvo {

// What the system tells of the moments that change whether this computer can be operated. Every
// handler runs on the run loop that called `watch`.
class OperatorSystemEvents {
public:
    struct Handlers {
        // The screen was locked or unlocked, the displays fell asleep or woke, or the user's
        // session became active or inactive.
        std::function<void()> changed;
        // The system is about to sleep.
        std::function<void()> willSleep;
        // The system has woken from sleep.
        std::function<void()> didWake;
    };

    virtual ~OperatorSystemEvents() = default;

    // Starts telling `handlers` for the life of this object. Called once.
    virtual void watch(Handlers handlers) = 0;
};

} // namespace tarvo
