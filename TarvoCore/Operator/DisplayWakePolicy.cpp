#include "TarvoCore/Operator/DisplayWakePolicy.h"

namespace tarvo {

bool DisplayWakePolicy::shouldWake(MacCapabilityClass klass, std::optional<bool> displayAsleep,
                                   bool unlockedAtScreen, bool keepAwakeOn) {
    return keepAwakeOn && displayAsleep == true && unlockedAtScreen && klass != MacCapabilityClass::files;
}

} // namespace tarvo
