#include "TarvoCore/Operator/OperatorSwitch.h"

namespace tarvo {

bool OperatorSwitch::isOn(const SettingsStore& in) {
    const auto stored = in.object(key);
    return stored && stored->is_boolean() && stored->get<bool>();
}

void OperatorSwitch::set(bool on, SettingsStore& in) { in.set(Json(on), key); }

} // namespace tarvo
