#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

// Whether files go with a reply on a channel, and up to what size.
struct ChannelAttachments {
    bool canAttach = false;
    // The sentence shown when files cannot go; none where they can.
    std::optional<std::string> cannotLine;
    // The largest file in bytes; 0 where nothing can be attached.
    std::int64_t maxBytes = 0;

    bool operator==(const ChannelAttachments&) const = default;
};

} // namespace tarvo
