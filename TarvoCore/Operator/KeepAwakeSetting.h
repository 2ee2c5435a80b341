#pragma once

#include <optional>
#include <string_view>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// The user's switch to keep this computer awake while the service works. Until the user sets
// it, it follows the kind of computer: on for a known desktop, off for a laptop or an unknown.
class KeepAwakeSetting {
public:
    static constexpr std::string_view key = "TarvoKeepAwakeWhileWorking";

    static bool isOn(const SettingsStore& in, std::optional<bool> isLaptop);
    static bool defaultValue(std::optional<bool> isLaptop);
    static void set(bool on, SettingsStore& in);
};

} // namespace tarvo
