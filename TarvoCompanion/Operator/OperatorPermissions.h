#pragma once

#include <functional>

#include "TarvoCore/Operator/MacHardware.h"

namespace tarvo {

// The operator's readiness on this computer: its capability readings, and the system's sleep and
// wake as the companion hears of them. It lives on the main loop for the life of the program.
class OperatorPermissions {
public:
    virtual ~OperatorPermissions() = default;

    // Starts the repeating capability reading and the observers of screen lock, sleep, wake and
    // session changes.
    virtual void startReading() = 0;

    // This computer's hardware, read once when the object was made.
    virtual const MacHardware& hardware() const = 0;

    // Called on the main loop when the computer is about to sleep, after the reading noted it.
    std::function<void()> onWillSleep;
    // Called on the main loop after a wake, once the capabilities were read again and the
    // operator link was woken.
    std::function<void()> onDidWake;
};

} // namespace tarvo
