#pragma once

#include <cstdint>
#include <string_view>

#include "TarvoCore/Operator/MacKeyCodes.h"

namespace tarvo {

// The stop hot key, Control-Option-Command-period: what the link registers and the menu names.
struct OperatorStopKeys {
    static constexpr std::uint32_t keyCode = MacKeyCodes::periodCode;
    // Command 0x100, option 0x800 and control 0x1000, as the hot-key registration takes them.
    static constexpr std::uint32_t carbonModifiers = 0x100 | 0x800 | 0x1000;
    // "TARV", its first byte the most significant.
    static constexpr std::uint32_t signature =
        (std::uint32_t{'T'} << 24) | (std::uint32_t{'A'} << 16) | (std::uint32_t{'R'} << 8) | std::uint32_t{'V'};
    static constexpr std::string_view spoken = "Control-Option-Command-period";
};

} // namespace tarvo
