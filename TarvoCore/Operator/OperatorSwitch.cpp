#include "TarvoCore/Operator/OperatorSwitch.h"

namespace tarvo {

bool OperatorSwitch::isOn(const SettingsStore& in) { return in.isTrue(key); }

void OperatorSwitch::set(bool on, SettingsStore& in) { in.set(Json(on), key); }

} // namespace tarvo
