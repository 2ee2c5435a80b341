#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <fmt/format.h>

#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

// Run once for each range of raw dates, so that the date index leads each part straight to
// the first row at the time; both parts come oldest first, so merging them costs no sort.
std::string outboundSelect(std::string_view dates) {
    return fmt::format("select m.guid,\n"
                       "       c.chat_identifier,\n"
                       "       m.date,\n"
                       "       m.error,\n"
                       "       m.is_sent,\n"
                       "       m.ROWID\n"
                       "from message m\n"
                       "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                       "join chat c on c.ROWID = cmj.chat_id\n"
                       "where m.is_from_me = 1\n"
                       "  and {}\n",
                       dates);
}

constexpr std::string_view newestServiceStatement = "select m.service\n"
                                                    "from message m\n"
                                                    "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                                                    "join chat c on c.ROWID = cmj.chat_id\n"
                                                    "where c.chat_identifier = ?1\n"
                                                    "  and m.is_from_me = 0\n"
                                                    "  and m.service is not null\n"
                                                    "  and m.service <> ''\n"
                                                    "order by m.date desc, m.ROWID desc\n"
                                                    "limit 1";

std::optional<std::string> firstText(SqliteStatement& statement) {
    if (!statement.step()) return std::nullopt;
    return statement.wellFormedText(0);
}

} // namespace

std::string ChatDatabase::outboundStatement() {
    const auto dates = dateRanges(">=");
    // By `m.date`, then `m.ROWID`: SQLite names the columns of a compound select by position.
    return outboundSelect(dates.seconds) + "union all\n" + outboundSelect(dates.nanoseconds) +
           "order by 3 asc, 6 asc\n"
           "limit ?2";
}

ChatDatabase::DeliveryReadout ChatDatabase::outboundSends(Date at, int limit) const {
    const ChatDatabaseClone clone = openFreshClone();
    const ColumnSet gaps = missing(deliveryRequired, columns(clone, "message"));
    if (!gaps.empty()) return DeliveryReadout::unobservable(unobservableReason(gaps, deliveryUnobservableTail));
    try {
        SqliteStatement statement = clone.connection().prepare(outboundStatement());
        statement.bindInt64(1, appleSeconds(at));
        statement.bindInt32(2, limit);
        std::vector<SendRecord> records;
        while (statement.step()) {
            auto guid = statement.wellFormedText(0);
            auto chatIdentifier = statement.wellFormedText(1);
            if (!guid || !chatIdentifier) continue;
            records.push_back({std::move(*guid), std::move(*chatIdentifier), appleTimeToDate(statement.int64(2)),
                               statement.int32(3), statement.int32(4) == 1});
        }
        return DeliveryReadout::observed(std::move(records));
    } catch (const SqliteError& error) {
        throw Failure::query(error.description());
    }
}

ChatDatabase::ReplyAddress ChatDatabase::replyAddress(const std::string& chatIdentifier) const {
    const ChatDatabaseClone clone = openFreshClone();
    ReplyAddress address{guid(clone, chatIdentifier), std::nullopt};
    if (!columns(clone, "message").contains("service")) return address;
    try {
        SqliteStatement statement = clone.connection().prepare(newestServiceStatement);
        statement.bindText(1, chatIdentifier);
        address.theirNewestService = firstText(statement);
        return address;
    } catch (const SqliteError& error) {
        throw Failure::query(error.description());
    }
}

std::optional<std::string> ChatDatabase::guid(const ChatDatabaseClone& copy, const std::string& chatIdentifier) {
    if (!columns(copy, "chat").contains("guid")) return std::nullopt;
    try {
        SqliteStatement statement = copy.connection().prepare("select guid from chat where chat_identifier = ?1 limit 1");
        statement.bindText(1, chatIdentifier);
        return firstText(statement);
    } catch (const SqliteError& error) {
        throw Failure::query(error.description());
    }
}

} // namespace tarvo
