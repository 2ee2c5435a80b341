#pragma once

#include <optional>
#include <string>

namespace tarvo {

// Where a channel kind can be served: each of "full", "assist" or "none".
struct ChannelReach {
    std::string onPhone;
    std::string onMac;
    std::string onExtension;
    std::string onAndroid;
    bool isDevice = false;

    // The phone app serves the kind fully, so it can be connected from there.
    bool connectableHere() const;
    // The companion that serves a kind the phone cannot: "mac", "extension" or "android", the
    // first that serves it at all; none when the phone serves it fully or nothing does.
    std::optional<std::string> companion() const;

    bool operator==(const ChannelReach&) const = default;
};

} // namespace tarvo
