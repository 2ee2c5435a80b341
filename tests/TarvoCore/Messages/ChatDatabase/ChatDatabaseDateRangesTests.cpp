#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "ChatDatabaseTest.h"

using tarvo::ChatDatabase;
using tarvo::SqliteConnection;
using tarvo::SqliteStatement;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

// The statements as they were before they were split into date ranges, which made SQLite scan
// every message: the reference the statements sent now must agree with, row for row.
const std::string referenceMessageStatement =
    "select m.guid,\n"
    "       c.chat_identifier,\n"
    "       m.is_from_me,\n"
    "       h.id as handle,\n"
    "       m.text,\n"
    "       m.date,\n"
    "       c.service_name,\n"
    "       (select count(*) from chat_handle_join chj where chj.chat_id = c.ROWID) as participants,\n"
    "       m.attributedBody,\n"
    "       c.display_name,\n"
    "       m.ROWID\n"
    "from message m\n"
    "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
    "join chat c on c.ROWID = cmj.chat_id\n"
    "left join handle h on h.ROWID = m.handle_id\n"
    "where (case when m.date > 1000000000000\n"
    "            then m.date / 1000000000\n"
    "            else m.date end) > ?1\n"
    "  and not (coalesce(m.associated_message_type, 0) between 2000 and 2006 or "
    "coalesce(m.associated_message_type, 0) between 3000 and 3006)\n"
    "order by m.date asc\n"
    "limit ?2";

const std::string referenceOutboundStatement = "select m.guid,\n"
                                               "       c.chat_identifier,\n"
                                               "       m.date,\n"
                                               "       m.error,\n"
                                               "       m.is_sent\n"
                                               "from message m\n"
                                               "join chat_message_join cmj on cmj.message_id = m.ROWID\n"
                                               "join chat c on c.ROWID = cmj.chat_id\n"
                                               "where m.is_from_me = 1\n"
                                               "  and (case when m.date > 1000000000000\n"
                                               "            then m.date / 1000000000\n"
                                               "            else m.date end) >= ?1\n"
                                               "order by m.date asc\n"
                                               "limit ?2";

// The condition the readings of reactions and receipts had, and the one they have now.
const std::string referenceDatedFrom = "select m.ROWID from message m\n"
                                       "where (case when m.date > 1000000000000\n"
                                       "            then m.date / 1000000000\n"
                                       "            else m.date end) >= ?1\n"
                                       "order by m.ROWID asc\n"
                                       "limit ?2";
const std::string datedFrom =
    "select m.ROWID from message m where " + ChatDatabase::datedFromCondition() + " order by m.ROWID asc limit ?2";

using Row = std::vector<std::optional<std::string>>;

// The first `columns` columns of every row, as SQLite gives them.
std::vector<Row> rowsOf(const SqliteConnection& connection, const std::string& sql, std::int64_t seconds,
                        std::int32_t limit, int columns) {
    SqliteStatement statement = connection.prepare(sql);
    statement.bindInt64(1, seconds);
    statement.bindInt32(2, limit);
    std::vector<Row> rows;
    while (statement.step()) {
        Row row;
        for (int column = 0; column < columns; ++column) row.push_back(statement.text(column));
        rows.push_back(std::move(row));
    }
    return rows;
}

constexpr std::int64_t billion = 1000000000;

// Raw dates on both sides of the threshold and on it, several in one whole second, in
// seconds and in nanoseconds alike, and at the ends of what the column holds.
const std::vector<std::int64_t> rawDates{
    std::numeric_limits<std::int64_t>::min(), -86400, -1, 0, 999, 1000, 1001, 700000000, 700000001,
    999999999999, 1000000000000, 1000000000001, 1001 * billion - 1, 1001 * billion, 700000000 * billion,
    700000000 * billion + 1, 700000000 * billion + 999999999, 700000001 * billion, 780000000 * billion + 5,
    std::numeric_limits<std::int64_t>::max(),
};

} // namespace

TEST_F(ChatDatabaseTest, TheDateRangeStatementsReadTheRowsOfTheReferenceInItsOrder) {
    MessagesDatabaseFixture fixture(chatDbPath());
    std::mt19937_64 random(20240611);
    const auto pick = [&](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    std::vector<std::int64_t> chats;
    for (int i = 0; i < 5; ++i) {
        chats.push_back(fixture.addChat({.chatIdentifier = "chat" + std::to_string(i),
                                         .serviceName = i % 2 ? "SMS" : "iMessage",
                                         .displayName = i == 3 ? std::optional<std::string>("Team") : std::nullopt}));
        for (int h = 0; h <= i; ++h) fixture.addChatHandle(chats.back(), fixture.addHandle("+1555000" + std::to_string(h)));
    }
    const std::int64_t reactionTypes[] = {0, 0, 0, 0, 1000, 2000, 2006, 3003, 3007};
    fixture.execute("begin");
    for (int i = 0; i < 400; ++i) {
        const std::size_t memberships = pick(10) == 0 ? 0 : pick(5) == 0 ? 2 : 1;
        const std::size_t first = pick(chats.size());
        const std::int64_t message = fixture.addMessage({.guid = "m" + std::to_string(i),
                                                         .chat = memberships == 0 ? 0 : chats[first],
                                                         .date = rawDates[pick(rawDates.size())],
                                                         .text = "text " + std::to_string(i),
                                                         .isFromMe = pick(2) == 0,
                                                         .handle = static_cast<std::int64_t>(pick(4)),
                                                         .error = static_cast<std::int64_t>(pick(3)),
                                                         .associatedMessageType = reactionTypes[pick(9)]});
        if (memberships == 2) {
            const std::int64_t second = chats[(first + 1 + pick(chats.size() - 1)) % chats.size()];
            fixture.insert("chat_message_join", {{"chat_id", second}, {"message_id", message}});
        }
    }
    fixture.execute("update message set date = null where guid = 'm7'");
    fixture.execute("commit");

    auto reader = SqliteConnection::open(chatDbPath().string(), SqliteConnection::Mode::readOnly);
    ASSERT_TRUE(reader);
    const auto compare = [&](std::int64_t seconds, std::int32_t limit) {
        SCOPED_TRACE("seconds " + std::to_string(seconds) + ", limit " + std::to_string(limit));
        EXPECT_EQ(rowsOf(*reader, ChatDatabase::messageStatement(true), seconds, limit, 11),
                  rowsOf(*reader, referenceMessageStatement, seconds, limit, 11));
        EXPECT_EQ(rowsOf(*reader, ChatDatabase::outboundStatement(), seconds, limit, 5),
                  rowsOf(*reader, referenceOutboundStatement, seconds, limit, 5));
        EXPECT_EQ(rowsOf(*reader, datedFrom, seconds, limit, 1), rowsOf(*reader, referenceDatedFrom, seconds, limit, 1));
    };
    for (int i = 0; i < 300; ++i) {
        const std::int64_t raw = rawDates[pick(rawDates.size())];
        const std::int64_t seconds = raw > ChatDatabase::nanosecondThreshold ? raw / billion : raw;
        std::int64_t nearby = seconds;
        if (__builtin_add_overflow(seconds, static_cast<std::int64_t>(pick(3)) - 1, &nearby)) nearby = seconds;
        const std::int32_t limit = pick(4) == 0 ? 100000 : static_cast<std::int32_t>(1 + pick(40));
        compare(nearby, limit);
    }
    for (const std::int64_t seconds : {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(),
                                       std::numeric_limits<std::int64_t>::max() / billion}) {
        compare(seconds, 100000);
    }
}
