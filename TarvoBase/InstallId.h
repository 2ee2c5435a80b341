#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Uuid.h"

namespace tarvo {

// This installation's stable id: a random UUID made once and kept in the settings.
class InstallId {
public:
    static constexpr std::string_view key = "TarvoInstallId";

    // The stored id in lower case (the stored text itself is left as it is); when the key holds
    // no UUID text, a new id from `make` is stored and returned.
    static std::string current(SettingsStore& in, const std::function<Uuid()>& make = Uuid::random);
};

} // namespace tarvo
