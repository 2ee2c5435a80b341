#pragma once

#include <string_view>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// The user's master switch that lets the service operate this Mac. Off until the user turns it
// on.
class OperatorSwitch {
public:
    static constexpr std::string_view key = "TarvoOperatorAllowed";

    static bool isOn(const SettingsStore& in);
    static void set(bool on, SettingsStore& in);
};

} // namespace tarvo
