#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <algorithm>

#include <fmt/format.h>

#include "TarvoBase/Text.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

// The reactions this computer's user sent are their own rows too, but no message to receipt.
constexpr std::string_view reactionExclusion =
    "and not (coalesce(m.associated_message_type, 0) between 2000 and 2006 or "
    "coalesce(m.associated_message_type, 0) between 3000 and 3006)";

// A raw time column as nanoseconds since `appleEpoch`, a null as 0.
std::string nanos(std::string_view column) {
    return fmt::format("(case when coalesce({0}, 0) > {1} then {0} else coalesce({0}, 0) * 1000000000 end)", column,
                       ChatDatabase::nanosecondThreshold);
}

std::string receiptStatement(std::string_view exclusion) {
    const std::string read = nanos("m.date_read");
    // A message not marked delivered has no delivery time, whatever its column holds.
    const std::string delivered = "(case when m.is_delivered = 1 then " + nanos("m.date_delivered") + " else 0 end)";
    return fmt::format("select m.guid,\n"
                       "       {0} as read_at,\n"
                       "       {1} as delivered_at,\n"
                       "       c.service_name,\n"
                       "       m.ROWID\n"
                       "from message m\n"
                       "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                       "join chat c on c.ROWID = cmj.chat_id\n"
                       "where {3}\n"
                       "  and m.is_from_me = 1\n"
                       "  and m.service = 'iMessage'\n"
                       "  {2}\n"
                       "  and (max({0}, {1}), m.ROWID) > (?2, ?4)\n"
                       "order by max({0}, {1}) asc, m.ROWID asc\n"
                       "limit ?3",
                       read, delivered, exclusion, ChatDatabase::datedFromCondition());
}

ChatDatabase::Receipt receiptOf(const SqliteStatement& row, std::string guid) {
    const std::int64_t read = row.int64(1);
    const std::int64_t delivered = row.int64(2);
    const bool isRead = read > 0;
    return {.guid = std::move(guid),
            .status = isRead ? "read" : "delivered",
            .at = ChatDatabase::appleTimeToDate(isRead ? read : delivered),
            .changedAt = std::max(read, delivered),
            .isSMS = Text::lowercased(row.text(3).value_or("")) != "imessage",
            .rowId = row.int64(4)};
}

} // namespace

ChatDatabase::ReceiptReadout ChatDatabase::receipts(std::int64_t changedAfter, Date sentSince, int limit,
                                                    std::int64_t pastRowId) const {
    const ChatDatabaseClone clone = openFreshClone();
    const ColumnSet& present = columns(clone, "message");
    const ColumnSet gaps = missing(receiptRequired, present);
    if (!gaps.empty()) return ReceiptReadout::unobservable(unobservableReason(gaps, receiptUnobservableTail));
    const std::string_view exclusion = present.contains("associated_message_type") ? reactionExclusion : "";
    try {
        SqliteStatement row = clone.connection().prepare(receiptStatement(exclusion));
        row.bindInt64(1, appleSeconds(sentSince));
        row.bindInt64(2, changedAfter);
        row.bindInt32(3, limit);
        row.bindInt64(4, pastRowId);
        std::vector<Receipt> receipts;
        while (row.step()) {
            if (auto guid = row.wellFormedText(0)) receipts.push_back(receiptOf(row, std::move(*guid)));
        }
        return ReceiptReadout::observed(std::move(receipts));
    } catch (const SqliteError& error) {
        throw Failure::query("reading receipts: " + error.description());
    }
}

} // namespace tarvo
