#include "TarvoCompanion/Operator/SimulatedOperatorPermissions.h"

namespace tarvo {

void SimulatedOperatorPermissions::sleep() const {
    if (onWillSleep) onWillSleep();
}

void SimulatedOperatorPermissions::wake() const {
    if (onDidWake) onDidWake();
}

} // namespace tarvo
