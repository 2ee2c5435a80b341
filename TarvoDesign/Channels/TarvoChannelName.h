#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace tarvo {

// The display names of the channel kinds.
struct TarvoChannelName {
    static const std::map<std::string, std::string, std::less<>>& labels();
    // The kind's display name; a kind not in the table, unchanged.
    static std::string label(std::string_view kind);
};

} // namespace tarvo
