#include <gtest/gtest.h>

#include <chrono>

#include "ChatDatabaseTest.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

constexpr std::int64_t second = tarvo::testing::appleNanosecondsPerSecond;

const auto at = tarvo::testing::appleDate;

} // namespace

TEST_F(ChatDatabaseTest, OutboundSendsAreOurOwnRowsFromTheGivenSecondOldestFirst) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
    const auto other = fixture.addChat({.chatIdentifier = "friend@example.com"});
    const std::int64_t t = 780000000;
    // Inserted out of order; the oldest row keeps its time in seconds, as older databases do.
    fixture.addMessage({.guid = "late", .chat = chat, .date = (t + 9) * second + 5, .isFromMe = true, .isSent = true});
    fixture.addMessage({.guid = "atTheSecond", .chat = chat, .date = t, .isFromMe = true});
    fixture.addMessage(
        {.guid = "before", .chat = chat, .date = (t - 1) * second + 999999999, .isFromMe = true, .isSent = true});
    fixture.addMessage({.guid = "theirs", .chat = chat, .date = (t + 1) * second, .isFromMe = false});
    fixture.addMessage({.guid = "refused", .chat = other, .date = (t + 2) * second, .isFromMe = true, .error = 22});
    fixture.addMessage({.guid = std::nullopt, .chat = chat, .date = (t + 3) * second, .isFromMe = true});
    fixture.addMessage({.guid = "noChat", .date = (t + 4) * second, .isFromMe = true});

    const auto sends = ChatDatabase(chatDbPath()).outboundSends(at(t) + 700ms, 200);

    ASSERT_TRUE(sends.isObserved());
    const std::vector<ChatDatabase::SendRecord> expected{
        {"atTheSecond", "+15550001", at(t), 0, false},
        {"refused", "friend@example.com", at(t + 2), 22, false},
        {"late", "+15550001", ChatDatabase::appleTimeToDate((t + 9) * second + 5), 0, true},
    };
    EXPECT_EQ(sends.value(), expected);
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, OutboundSendsKeepTheOldestWithinTheLimit) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
    for (int i = 0; i < 5; ++i) {
        fixture.addMessage({.guid = "m" + std::to_string(i), .chat = chat, .date = 780000010 - i, .isFromMe = true});
    }
    const auto sends = ChatDatabase(chatDbPath()).outboundSends(at(0), 2);
    ASSERT_TRUE(sends.isObserved());
    ASSERT_EQ(sends.value().size(), 2u);
    EXPECT_EQ(sends.value()[0].guid, "m4");
    EXPECT_EQ(sends.value()[1].guid, "m3");
}

TEST_F(ChatDatabaseTest, OutboundSendsAreUnobservableWithoutTheirColumns) {
    struct Case {
        std::set<std::string> gone;
        std::string reason;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{"error"}, "this Messages database has no error column, so whether a send was refused cannot be read from it"},
             {{"is_sent", "error"},
              "this Messages database has no error, is_sent column, so whether a send was refused cannot be read from it"},
         }) {
        const auto file = folder / ("without-" + std::to_string(c.gone.size()) + ".db");
        MessagesDatabaseFixture fixture(file, {.withoutColumns = {{"message", c.gone}}});
        EXPECT_EQ(ChatDatabase(file).outboundSends(at(0), 200), ChatDatabase::DeliveryReadout::unobservable(c.reason));
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, ReplyAddressNamesTheChatAndTheOtherSidesNewestService) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001", .guid = "SMS;-;+15550001"});
    const auto quiet = fixture.addChat({.chatIdentifier = "+15550002", .guid = "iMessage;-;+15550002"});
    const std::int64_t t = 780000000;
    fixture.addMessage({.guid = "a", .chat = chat, .date = t, .service = "iMessage"});
    // Same raw date: the later row wins.
    fixture.addMessage({.guid = "b", .chat = chat, .date = t + 5, .service = "iMessage"});
    fixture.addMessage({.guid = "c", .chat = chat, .date = t + 5, .service = "SMS"});
    // Ours, or without a service: never the answer.
    fixture.addMessage({.guid = "d", .chat = chat, .date = t + 9, .isFromMe = true, .service = "RCS"});
    fixture.addMessage({.guid = "e", .chat = chat, .date = t + 9, .service = ""});
    fixture.addMessage({.guid = "f", .chat = quiet, .date = t, .isFromMe = true, .service = "iMessage"});
    fixture.addMessage({.guid = "g", .chat = quiet, .date = t + 1, .service = std::nullopt});

    {
        const ChatDatabase database(chatDbPath());
        using Address = ChatDatabase::ReplyAddress;
        EXPECT_EQ(database.replyAddress("+15550001"), (Address{"SMS;-;+15550001", "SMS"}));
        EXPECT_EQ(database.replyAddress("+15550002"), (Address{"iMessage;-;+15550002", std::nullopt}));
        EXPECT_EQ(database.replyAddress("+19999999"), (Address{std::nullopt, std::nullopt}));
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, ReplyAddressWithoutItsOptionalColumns) {
    MessagesDatabaseFixture fixture(chatDbPath(), {.withoutColumns = {{"chat", {"guid"}}, {"message", {"service"}}}});
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
    fixture.addMessage({.guid = "a", .chat = chat, .date = 780000000, .service = "iMessage"});
    EXPECT_EQ(ChatDatabase(chatDbPath()).replyAddress("+15550001"), (ChatDatabase::ReplyAddress{}));
}
