#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The web domain of each channel's own service, which names the mark shown for the channel.
// Kinds of one service share one domain. The domains are deployment values: a build that was
// not given one has the kind's row with an empty domain, and no mark for it.
struct TarvoChannelMark {
    static const std::map<std::string, std::string, std::less<>>& files();
    static std::optional<std::string> file(std::string_view kind);
};

} // namespace tarvo
