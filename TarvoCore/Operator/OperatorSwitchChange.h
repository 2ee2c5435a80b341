#pragma once

#include <vector>

namespace tarvo {

// One follow-up action of a change of the operator switch.
class OperatorSwitchChange {
public:
    enum Action { stopLiveRun, readMacOS, wakeOperatorLoop, refreshKeepAwake, sendHeartbeat };

    constexpr OperatorSwitchChange(Action action) : action_(action) {}

    // What to do, in this order, once the user has turned the switch on or off.
    static std::vector<OperatorSwitchChange> then(bool turnedOn);

    constexpr Action action() const { return action_; }
    bool operator==(const OperatorSwitchChange&) const = default;

private:
    Action action_;
};

} // namespace tarvo
