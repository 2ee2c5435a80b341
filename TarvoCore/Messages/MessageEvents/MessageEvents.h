#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoCore/Companion/CaptureCursor.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

namespace tarvo {

// The reaction and status events told to the service, and the rules that decide which of them
// one pass may tell.
class MessageEvents {
public:
    using Date = std::chrono::system_clock::time_point;

    MessageEvents() = delete;

    static constexpr int batchLimit = 500;

    // The reactions to post now, and the row up to which reactions are then done.
    struct Plan {
        std::vector<ChatDatabase::Tapback> send;
        std::int64_t advanceTo = 0;
        bool operator==(const Plan&) const = default;
    };

    static Json payload(const ChatDatabase::Tapback& tapback);
    static Json payload(const ChatDatabase::Receipt& receipt);

    // Consecutive slices of at most `size` elements; a size below 1 gives the whole list as one.
    template <class T>
    static std::vector<std::vector<T>> batches(const std::vector<T>& list, int size) {
        if (size < 1) return {list};
        std::vector<std::vector<T>> slices;
        const auto step = static_cast<std::size_t>(size);
        for (std::size_t start = 0; start < list.size(); start += step) {
            const std::size_t end = std::min(start + step, list.size());
            slices.emplace_back(list.begin() + static_cast<std::ptrdiff_t>(start),
                                list.begin() + static_cast<std::ptrdiff_t>(end));
        }
        return slices;
    }

    // The newest reaction date a pass may post. While the message capture is more than its live
    // span behind, reactions wait for it, so none reaches the service before its message.
    static Date ceiling(const CaptureCursor& cursor, Date now);

    // `tapbacks` in row order. Stops before the first one later than `ceiling`, so that the next
    // pass reads it again.
    static Plan plan(const std::vector<ChatDatabase::Tapback>& tapbacks, std::int64_t newestRowId, Date ceiling);
};

} // namespace tarvo
