#include <gtest/gtest.h>

#include <chrono>
#include <optional>
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

const std::string heart = "\u2764\uFE0F";
const std::string melting = "\U0001FAE0";
// Four UTF-16 units, two code points, eight bytes, one character.
const std::string flag = "\U0001F1EB\U0001F1EE";

ChatDatabase::Failure failureOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const ChatDatabase::Failure& failure) {
        return failure;
    }
    ADD_FAILURE() << "no failure was thrown";
    return ChatDatabase::Failure::query("none");
}

} // namespace

TEST(ChatDatabaseTapbacks, TargetGuidOfAnAssociatedGuid) {
    struct Case {
        std::string associated;
        std::optional<std::string> target;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"p:0/1F2E-AB", "1F2E-AB"},
             {"p:12/AB/CD", "AB/CD"},
             {"bp:1F2E-AB", "1F2E-AB"},
             {"bp:p:0/AB", "p:0/AB"},
             {"1F2E-AB", "1F2E-AB"},
             {"p:1F2E-AB", "p:1F2E-AB"},
             {" \tbp:AB \u00A0", "AB"},
             {"\nAB", "\nAB"},
             {"   ", std::nullopt},
             {"", std::nullopt},
             {"bp:", std::nullopt},
             {"p:0/", std::nullopt},
         }) {
        EXPECT_EQ(ChatDatabase::targetGuid(c.associated), c.target) << c.associated;
    }
}

TEST(ChatDatabaseTapbacks, MeaningOfEachType) {
    using Meaning = ChatDatabase::TapbackMeaning;
    struct Case {
        std::int64_t type;
        std::optional<std::string> custom;
        std::optional<Meaning> meaning;
    };
    for (const Case& c : std::initializer_list<Case>{
             {2000, std::nullopt, Meaning{true, heart}},
             {2001, "x", Meaning{true, "\U0001F44D"}},
             {2002, std::nullopt, Meaning{true, "\U0001F44E"}},
             {2003, std::nullopt, Meaning{true, "\U0001F602"}},
             {2004, std::nullopt, Meaning{true, "\u203C\uFE0F"}},
             {2005, std::nullopt, Meaning{true, "\u2753"}},
             {2006, " \n" + melting + "\t\u2028", Meaning{true, melting}},
             {2006, std::nullopt, std::nullopt},
             {2006, " \n ", std::nullopt},
             {3000, std::nullopt, Meaning{false, std::nullopt}},
             {3006, melting, Meaning{false, std::nullopt}},
             {0, std::nullopt, std::nullopt},
             {1999, std::nullopt, std::nullopt},
             {2007, melting, std::nullopt},
             {2999, std::nullopt, std::nullopt},
             {3007, std::nullopt, std::nullopt},
         }) {
        EXPECT_EQ(ChatDatabase::tapbackMeaning(c.type, c.custom), c.meaning) << c.type;
    }
}

TEST_F(ChatDatabaseTest, TapbacksBecomeRecordsAndUnusableRowsAreCounted) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto imessage = fixture.addChat({.chatIdentifier = "+15550002"});
    const auto sms = fixture.addChat({.chatIdentifier = "+15550003", .serviceName = "SMS"});
    const auto unnamed = fixture.addChat({.chatIdentifier = "+15550004", .serviceName = std::nullopt});
    const auto friendHandle = fixture.addHandle("+15550002");
    const auto emptyHandle = fixture.addHandle("");
    const auto longest = fixture.addHandle(std::string(252, 'a') + flag);
    const auto tooLong = fixture.addHandle(std::string(253, 'a') + flag);
    auto react = [&](std::int64_t type, std::optional<std::string> target, std::int64_t date,
                     MessagesDatabaseFixture::MessageRow row) {
        row.chat = row.chat ? row.chat : imessage;
        row.guid = "r" + std::to_string(date);
        row.date = date;
        row.associatedMessageType = type;
        row.associatedMessageGuid = std::move(target);
        return fixture.addMessage(row);
    };
    // Sent a second before the reading's start; its row is not even looked at.
    react(2001, "orig", (t - 1) * second + 999999999, {.handle = friendHandle});
    fixture.addMessage({.guid = "orig", .chat = imessage, .date = t, .text = "hello", .isFromMe = true});
    const auto hearted = react(2000, "p:0/orig", t * second + 5, {.handle = friendHandle});
    const auto takenBack = react(3000, "bp:orig", t + 1, {.isFromMe = true});
    const auto custom = react(2006, "orig", t + 2,
                              {.chat = sms, .handle = friendHandle, .associatedMessageEmoji = " " + melting + " "});
    react(2006, "orig", t + 3, {.handle = friendHandle});
    const std::string fourFlags = flag + flag + flag + flag;
    const auto flags =
        react(2006, "orig", t + 4, {.chat = unnamed, .handle = friendHandle, .associatedMessageEmoji = fourFlags});
    react(2006, "orig", t + 5, {.handle = friendHandle, .associatedMessageEmoji = "a" + fourFlags});
    const auto longHandle = react(2003, "orig", t + 6, {.handle = longest});
    react(2003, "orig", t + 7, {.handle = tooLong});
    react(2003, "orig", t + 8, {.handle = 0});
    react(2003, "orig", t + 9, {.handle = emptyHandle});
    react(2003, std::nullopt, t + 10, {.handle = friendHandle});
    react(2003, " ", t + 11, {.handle = friendHandle});
    fixture.addMessage({.guid = "inNoChat", .date = t + 12, .handle = friendHandle, .associatedMessageType = 2001,
                        .associatedMessageGuid = "orig"});
    const auto trailing = react(3001, "p:3/", t + 13, {.isFromMe = true});

    {
        const ChatDatabase database(chatDbPath());
        const auto readout = database.tapbacks(0, at(t) + 700ms, 500);

        ASSERT_TRUE(readout.isObserved());
        const std::vector<ChatDatabase::Tapback> expected{
            {hearted, "orig", "+15550002", false, heart, ChatDatabase::appleTimeToDate(t * second + 5), false},
            {takenBack, "orig", "me", true, std::nullopt, at(t + 1), false},
            {custom, "orig", "+15550002", false, melting, at(t + 2), true},
            {flags, "orig", "+15550002", false, fourFlags, at(t + 4), true},
            {longHandle, "orig", std::string(252, 'a') + flag, false, "\U0001F602", at(t + 6), false},
        };
        EXPECT_EQ(readout.value().tapbacks, expected);
        EXPECT_EQ(readout.value().skipped, 8);
        EXPECT_EQ(readout.value().newestRowId, trailing);

        const auto nothingNew = database.tapbacks(trailing, at(0), 500);
        EXPECT_EQ(nothingNew, ChatDatabase::TapbackReadout::observed({{}, trailing, 0}));
        const auto firstTwo = database.tapbacks(0, at(t), 2);
        ASSERT_TRUE(firstTwo.isObserved());
        EXPECT_EQ(firstTwo.value().tapbacks, std::vector(expected.begin(), expected.begin() + 2));
        EXPECT_EQ(firstTwo.value().newestRowId, takenBack);
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, TapbacksWithoutOptionalColumns) {
    const auto noGuid = folder / "no-guid.db";
    MessagesDatabaseFixture withoutGuid(noGuid, {.withoutColumns = {{"message", {"associated_message_guid"}}}});
    EXPECT_EQ(ChatDatabase(noGuid).tapbacks(0, at(0), 500),
              ChatDatabase::TapbackReadout::unobservable(
                  "this Messages database has no associated_message_guid column, so tapbacks cannot be read from it"));

    MessagesDatabaseFixture withoutEmoji(chatDbPath(), {.withoutColumns = {{"message", {"associated_message_emoji"}}}});
    const auto chat = withoutEmoji.addChat({.chatIdentifier = "+15550002"});
    withoutEmoji.addMessage({.guid = "c", .chat = chat, .date = t, .isFromMe = true, .associatedMessageType = 2006,
                             .associatedMessageGuid = "orig"});
    const auto liked = withoutEmoji.addMessage({.guid = "l", .chat = chat, .date = t, .isFromMe = true,
                                                .associatedMessageType = 2001, .associatedMessageGuid = "orig"});
    const auto readout = ChatDatabase(chatDbPath()).tapbacks(0, at(0), 500);
    ASSERT_TRUE(readout.isObserved());
    EXPECT_EQ(readout.value().skipped, 1);
    ASSERT_EQ(readout.value().tapbacks.size(), 1u);
    EXPECT_EQ(readout.value().tapbacks[0].rowId, liked);
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, TapbacksAndReceiptsFromADamagedOrMisshapenDatabaseFail) {
    makeDamagedDatabase();
    {
        const ChatDatabase damaged(chatDbPath());
        EXPECT_EQ(failureOf([&] { damaged.tapbacks(0, at(0), 500); }),
                  ChatDatabase::Failure::query("reading tapbacks: database disk image is malformed"));
        EXPECT_EQ(failureOf([&] { damaged.receipts(0, at(0), 2000); }),
                  ChatDatabase::Failure::query("reading receipts: database disk image is malformed"));

        const auto file = folder / "no-join.db";
        MessagesDatabaseFixture noJoin(file, {.withoutTables = {"chat_message_join"}});
        const ChatDatabase misshapen(file);
        EXPECT_EQ(failureOf([&] { misshapen.tapbacks(0, at(0), 500); }),
                  ChatDatabase::Failure::query("reading tapbacks: no such table: chat_message_join"));
        EXPECT_EQ(failureOf([&] { misshapen.receipts(0, at(0), 2000); }),
                  ChatDatabase::Failure::query("reading receipts: no such table: chat_message_join"));
    }
    EXPECT_TRUE(leftoverCopies().empty());
}
