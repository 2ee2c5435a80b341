#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "TarvoBase/SettingsStore.h"

namespace tarvo {

// The secret key of file references, kept in the settings as standard Base64 of 32 bytes. It is
// made here on first use, never sent and never shown.
class FileRefKey {
public:
    using Bytes = std::array<std::uint8_t, 32>;

    static constexpr std::string_view key = "TarvoFileRefKey";

    // The stored key; a new random one, stored, when none is there or what is there is not
    // Base64 of exactly 32 bytes.
    static Bytes current(SettingsStore& in);
};

} // namespace tarvo
