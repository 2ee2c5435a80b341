#include "TarvoCore/Operator/KeepAwakePolicy.h"

namespace tarvo {

std::optional<KeepAwakeReason> KeepAwakePolicy::wanted(bool settingOn, bool switchOn, bool signedIn,
                                                       std::optional<bool> acPower, bool runLive) {
    if (!settingOn || !switchOn || !signedIn || acPower != true) return std::nullopt;
    return runLive ? KeepAwakeReason::runLive : KeepAwakeReason::reachable;
}

} // namespace tarvo
