#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ChatDatabaseTest.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

constexpr std::int64_t second = tarvo::testing::appleNanosecondsPerSecond;
constexpr std::int64_t t = 780000000;

const auto at = tarvo::testing::appleDate;

std::vector<std::string> guids(const ChatDatabase::ReceiptReadout& readout) {
    std::vector<std::string> out;
    for (const auto& receipt : readout.value()) out.push_back(receipt.guid);
    return out;
}

} // namespace

TEST_F(ChatDatabaseTest, ReceiptsOfOurOwnIMessagesLeastRecentlyChangedFirst) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = "+15550002"});
    const auto smsNamed = fixture.addChat({.chatIdentifier = "+15550003", .serviceName = "SMS"});
    using Row = MessagesDatabaseFixture::MessageRow;
    auto sent = [&](Row row) {
        row.chat = row.chat ? row.chat : chat;
        row.isFromMe = true;
        row.service = row.service ? row.service : "iMessage";
        return fixture.addMessage(row);
    };
    const auto both = sent({.guid = "both", .date = t + 3, .isDelivered = true, .dateDelivered = (t + 30) * second,
          .dateRead = (t + 25) * second});
    const auto delivered = sent({.guid = "delivered", .date = t * second + 5, .isDelivered = true, .dateDelivered = (t + 10) * second});
    const auto readInSeconds = sent({.guid = "readInSeconds", .date = t + 1, .dateRead = t + 20});
    const auto smsNamedChat = sent({.guid = "smsNamedChat", .chat = smsNamed, .date = t + 4, .isDelivered = true,
          .dateDelivered = (t + 40) * second});
    // None of these is a receipt to tell.
    sent({.guid = "notMarkedDelivered", .date = t + 2, .dateDelivered = (t + 5) * second});
    sent({.guid = "overSMS", .date = t + 2, .service = "SMS", .isDelivered = true, .dateDelivered = (t + 6) * second});
    sent({.guid = "ourReaction", .date = t + 2, .associatedMessageType = 2000, .associatedMessageGuid = "x",
          .isDelivered = true, .dateDelivered = (t + 7) * second});
    sent({.guid = "sentTooEarly", .date = t - 1, .isDelivered = true, .dateDelivered = (t + 8) * second});
    sent({.guid = std::nullopt, .date = t + 2, .isDelivered = true, .dateDelivered = (t + 9) * second});
    fixture.addMessage({.guid = "theirs", .chat = chat, .date = t + 2, .service = "iMessage", .isDelivered = true,
                        .dateDelivered = (t + 11) * second, .dateRead = (t + 12) * second});

    {
        const ChatDatabase database(chatDbPath());
        const auto readout = database.receipts(0, at(t) + 700ms, 2000);

        ASSERT_TRUE(readout.isObserved());
        const std::vector<ChatDatabase::Receipt> expected{
            {"delivered", "delivered", at(t + 10), (t + 10) * second, false, delivered},
            {"readInSeconds", "read", at(t + 20), (t + 20) * second, false, readInSeconds},
            {"both", "read", at(t + 25), (t + 30) * second, false, both},
            {"smsNamedChat", "delivered", at(t + 40), (t + 40) * second, true, smsNamedChat},
        };
        EXPECT_EQ(readout.value(), expected);
        // The change time is exclusive, unless a row id to go on past is given.
        EXPECT_EQ(guids(database.receipts((t + 20) * second, at(t), 2000)),
                  (std::vector<std::string>{"both", "smsNamedChat"}));
        EXPECT_EQ(guids(database.receipts((t + 20) * second, at(t), 2000, readInSeconds - 1)),
                  (std::vector<std::string>{"readInSeconds", "both", "smsNamedChat"}));
        // The row without a guid, changed first, still takes its place within the limit.
        EXPECT_EQ(guids(database.receipts(0, at(t), 3)), (std::vector<std::string>{"delivered", "readInSeconds"}));
    }
    // The private copy goes with the last reader of its database.
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, ReceiptsWithoutOptionalColumns) {
    MessagesDatabaseFixture withoutRead(chatDbPath(), {.withoutColumns = {{"message", {"date_read"}}}});
    EXPECT_EQ(ChatDatabase(chatDbPath()).receipts(0, at(0), 2000),
              ChatDatabase::ReceiptReadout::unobservable("this Messages database has no date_read column, so delivery "
                                                         "and read receipts cannot be read from it"));

    // Without reaction columns every own delivered row is a receipt.
    const auto file = folder / "no-reactions.db";
    MessagesDatabaseFixture withoutReactions(
        file, {.withoutColumns = {{"message", {"associated_message_type", "associated_message_guid"}}}});
    const auto chat = withoutReactions.addChat({.chatIdentifier = "+15550002"});
    withoutReactions.addMessage({.guid = "m", .chat = chat, .date = t, .isFromMe = true, .service = "iMessage",
                                 .isDelivered = true, .dateDelivered = (t + 1) * second});
    const auto readout = ChatDatabase(file).receipts(0, at(0), 2000);
    ASSERT_TRUE(readout.isObserved());
    EXPECT_EQ(guids(readout), std::vector<std::string>{"m"});
    EXPECT_TRUE(leftoverCopies().empty());
}
