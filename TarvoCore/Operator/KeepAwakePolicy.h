#pragma once

#include <optional>

#include "TarvoCore/Operator/KeepAwakeReason.h"

namespace tarvo {

class KeepAwakePolicy {
public:
    // A hold only on known external power: on battery, or when the power source cannot be
    // read, the computer may sleep.
    static std::optional<KeepAwakeReason> wanted(bool settingOn, bool switchOn, bool signedIn,
                                                 std::optional<bool> acPower, bool runLive);
};

} // namespace tarvo
