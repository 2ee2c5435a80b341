#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

namespace tarvo {

// How far receipts have been told to the service, and which status each recent message was
// last told with. Times are nanoseconds since 2001-01-01 00:00:00 UTC.
class ReceiptLedger {
public:
    struct Posted {
        int rank = 0;
        std::int64_t changedAt = 0;
        bool operator==(const Posted&) const = default;
    };

    explicit ReceiptLedger(std::int64_t overlap) : overlap_(overlap) {}

    // "delivered" 1, "read" 2, anything else 0: a status of rank 0 is never told.
    static int rank(std::string_view status);

    // The newest change time of a pass whose every batch was accepted.
    std::int64_t cursor() const { return cursor_; }
    const std::map<std::string, Posted>& posted() const { return posted_; }
    std::int64_t overlap() const { return overlap_; }

    // Each pass reads again `overlap` before the cursor, for the rows whose times were written
    // out of order.
    std::int64_t readFrom() const;

    // The receipts, in order, that rank above what was told for their message.
    std::vector<ChatDatabase::Receipt> fresh(const std::vector<ChatDatabase::Receipt>& receipts) const;
    void record(const std::vector<ChatDatabase::Receipt>& receipts);

    // Never moves back.
    void advance(std::int64_t to);
    // Drops what was told with a change time before `before`.
    void forget(std::int64_t before);
    std::size_t remembered() const { return posted_.size(); }

private:
    int toldRank(const std::string& guid) const;

    std::int64_t cursor_ = 0;
    std::map<std::string, Posted> posted_;
    std::int64_t overlap_;
};

} // namespace tarvo
