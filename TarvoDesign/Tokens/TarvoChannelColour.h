#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoDesign/Tokens/TarvoColour.h"

namespace tarvo {

// The colour of each messaging channel, by its key, on dark and on light surfaces.
struct TarvoChannelColour {
    static const std::map<std::string, TarvoColour, std::less<>> dark;
    // The dark map with the six colours that need more contrast on light surfaces replaced.
    static const std::map<std::string, TarvoColour, std::less<>> light;

    // The colour of `key`, matched exactly and with its letter case. The channel catalogue and the
    // service spell the business kinds with "_" where this table has "-", so "_" reads as "-".
    static std::optional<TarvoColour> named(std::string_view key, bool light);
};

} // namespace tarvo
