#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoDesign/Channels/ChannelReach.h"

namespace tarvo {

// Where each channel kind can be served.
struct TarvoChannelReach {
    static const std::map<std::string, ChannelReach, std::less<>>& all();
    static std::optional<ChannelReach> of(std::string_view kind);
};

} // namespace tarvo
