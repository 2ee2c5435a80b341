#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

// A reaction someone set on a message, or took back from it.
struct ChatDatabaseTapback {
    std::int64_t rowId = 0;
    // The message reacted to.
    std::string targetGuid;
    // "me" for this computer's user, otherwise the reacting handle.
    std::string reactorKey;
    bool fromMe = false;
    // Absent when the reaction is taken back.
    std::optional<std::string> emoji;
    std::chrono::system_clock::time_point date;
    bool isSMS = false;

    bool operator==(const ChatDatabaseTapback&) const = default;
};

} // namespace tarvo
