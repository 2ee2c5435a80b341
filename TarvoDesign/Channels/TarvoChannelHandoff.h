#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The channel kinds whose replies the user sends in the channel's own app, with the label of the
// button that opens it.
struct TarvoChannelHandoff {
    static const std::map<std::string, std::string, std::less<>>& openLabels();
    static bool has(std::string_view kind);
    static std::optional<std::string> openLabel(std::string_view kind);
};

} // namespace tarvo
