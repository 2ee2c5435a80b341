#pragma once

#include <cstdint>
#include <vector>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTapback.h"

namespace tarvo {

// What one reading of reactions saw.
struct ChatDatabaseTapbackBatch {
    std::vector<ChatDatabaseTapback> tapbacks;
    // The largest row returned, skipped rows included, and never below the row read after; the
    // next reading starts after it.
    std::int64_t newestRowId = 0;
    // Rows that did not become a reaction.
    int skipped = 0;

    bool operator==(const ChatDatabaseTapbackBatch&) const = default;
};

} // namespace tarvo
