#pragma once

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoDesign/Channels/ChannelFacts.h"

namespace tarvo {

// The channel kinds the product knows, with their facts. Kinds are matched exactly.
struct TarvoChannelCatalogue {
    // The 21 kinds, in the catalogue's order.
    static const std::array<std::string_view, 21>& kinds();
    static const std::map<std::string, ChannelFacts, std::less<>>& all();
    static std::optional<ChannelFacts> facts(std::string_view kind);
};

} // namespace tarvo
