#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoDesign/Channels/ChannelAttachments.h"

namespace tarvo {

// Which channel kinds carry files, and what to say where they cannot.
struct TarvoChannelAttachments {
    static const std::map<std::string, ChannelAttachments, std::less<>>& all();
    // False for a kind not in the table.
    static bool canAttach(std::string_view kind);
    // None for a kind not in the table or one that can attach.
    static std::optional<std::string> cannotLine(std::string_view kind);
};

} // namespace tarvo
