#pragma once

#include <optional>

#include "TarvoCore/Operator/MacCapabilityClass.h"

namespace tarvo {

class DisplayWakePolicy {
public:
    // Only a step that needs the screen wakes a sleeping display, only at an unlocked screen,
    // and only while the user keeps the computer awake. A display not known to sleep is awake.
    static bool shouldWake(MacCapabilityClass klass, std::optional<bool> displayAsleep, bool unlockedAtScreen,
                           bool keepAwakeOn);
};

} // namespace tarvo
