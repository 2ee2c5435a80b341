#pragma once

#include <cstdint>

namespace tarvo {

// A message row's place in reading order: its date exactly as the database stores it, then its
// ROWID, which tells apart the rows of one date.
struct ChatDatabaseScanPosition {
    std::int64_t date = 0;
    std::int64_t rowId = 0;

    bool operator==(const ChatDatabaseScanPosition&) const = default;
};

} // namespace tarvo
