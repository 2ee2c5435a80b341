#pragma once

#include <optional>
#include <string>

namespace tarvo {

// What a reaction row does: set an emoji, or take a reaction back (no emoji then).
struct ChatDatabaseTapbackMeaning {
    bool adds = false;
    std::optional<std::string> emoji;

    bool operator==(const ChatDatabaseTapbackMeaning&) const = default;
};

} // namespace tarvo
