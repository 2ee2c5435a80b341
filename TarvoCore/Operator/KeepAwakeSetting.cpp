#include "TarvoCore/Operator/KeepAwakeSetting.h"

namespace tarvo {

bool KeepAwakeSetting::isOn(const SettingsStore& in, std::optional<bool> isLaptop) {
    if (const auto stored = in.object(key); stored && stored->is_boolean()) return stored->get<bool>();
    return defaultValue(isLaptop);
}

bool KeepAwakeSetting::defaultValue(std::optional<bool> isLaptop) { return isLaptop == false; }

void KeepAwakeSetting::set(bool on, SettingsStore& in) { in.set(Json(on), key); }

} // namespace tarvo
