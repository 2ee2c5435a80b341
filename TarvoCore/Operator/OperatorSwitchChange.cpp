#include "TarvoCore/Operator/OperatorSwitchChange.h"

namespace tarvo {

std::vector<OperatorSwitchChange> OperatorSwitchChange::then(bool turnedOn) {
    std::vector<OperatorSwitchChange> actions;
    // A run under way stops before anything else once operating is no longer allowed.
    if (!turnedOn) actions.push_back(stopLiveRun);
    actions.insert(actions.end(), {readMacOS, wakeOperatorLoop, refreshKeepAwake, sendHeartbeat});
    return actions;
}

} // namespace tarvo
