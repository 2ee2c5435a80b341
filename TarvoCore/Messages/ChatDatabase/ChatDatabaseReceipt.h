#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tarvo {

// How far one of this computer's own outgoing messages has come: "delivered" or "read".
struct ChatDatabaseReceipt {
    std::string guid;
    std::string status;
    // When it reached that status.
    std::chrono::system_clock::time_point at;
    // The newer of the delivery and read times, in nanoseconds since 2001-01-01 00:00:00 UTC.
    std::int64_t changedAt = 0;
    bool isSMS = false;
    // Tells apart the receipts of one change time, so that a reading can go on past any of them.
    std::int64_t rowId = 0;

    bool operator==(const ChatDatabaseReceipt&) const = default;
};

} // namespace tarvo
