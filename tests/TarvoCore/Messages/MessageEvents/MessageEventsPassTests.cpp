#include <gtest/gtest.h>

#include <fmt/format.h>

#include <chrono>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/OnWorker.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/RequestBody.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseTest.h"
#include "TarvoCore/Messages/MessageEvents/MessageEventsPass.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::Json;
using tarvo::MessageEventsPass;
using tarvo::Task;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;
using Summary = MessageEventsPass::Summary;

namespace {

constexpr std::int64_t second = tarvo::testing::appleNanosecondsPerSecond;
constexpr std::int64_t t = 780000000;

const auto at = tarvo::testing::appleDate;

const MessageEventsPass::Channels bothChannels{"ch-imessage", "ch-sms"};

Task<void> accepted() { co_return; }

class MessageEventsPassTest : public ChatDatabaseTest {
protected:
    struct Call {
        std::string channelId;
        std::vector<Json> events;
    };

    // One pass against the database file, with the service answering each batch from a worker,
    // as a real request would, and refusing the calls numbered in `refused`.
    Summary pass(ChatDatabase::Date ceiling, ChatDatabase::Date now,
                 MessageEventsPass::Channels channels = bothChannels) {
        MessageEventsPass::Post post = [this](std::string channelId, std::vector<Json> events) {
            return answer(this, std::move(channelId), std::move(events));
        };
        return tarvo::runUntilDone(loop, events.run(ChatDatabase(chatDbPath()), channels, ceiling, now, post));
    }

    static Task<void> answer(MessageEventsPassTest* self, std::string channelId, std::vector<Json> events) {
        auto elsewhere = [] {};
        co_await tarvo::onWorker(elsewhere);
        self->calls.push_back({std::move(channelId), std::move(events)});
        if (self->refused.contains(self->calls.size())) throw std::runtime_error("HTTP 503 unavailable");
    }

    std::vector<std::string> told(std::size_t call, const std::string& key = "messageExternalId") const {
        std::vector<std::string> values;
        for (const Json& event : calls.at(call).events) values.push_back(event.at(key).get<std::string>());
        return values;
    }

    tarvo::RunLoop loop{std::make_shared<tarvo::FakeClock>()};
    MessagesDatabaseFixture fixture{chatDbPath()};
    std::int64_t imessage = fixture.addChat({.chatIdentifier = "+15550002"});
    std::int64_t sms = fixture.addChat({.chatIdentifier = "+15550003", .serviceName = "SMS"});
    std::int64_t friendHandle = fixture.addHandle("+15550002");
    MessageEventsPass events{604800s};
    std::vector<Call> calls;
    std::set<std::size_t> refused;
};

} // namespace

TEST_F(MessageEventsPassTest, TheReactionCursorHoldsOnARefusedBatchAndAtTheCeiling) {
    auto react = [&](const std::string& target, std::int64_t chat, std::int64_t date, std::int64_t type = 2000) {
        return fixture.addMessage({.guid = "r" + std::to_string(date), .chat = chat, .date = date,
                                   .handle = friendHandle, .associatedMessageType = type,
                                   .associatedMessageGuid = "p:0/" + target});
    };
    fixture.addMessage({.guid = "orig", .chat = imessage, .date = t, .text = "hello", .isFromMe = true});
    react("orig", imessage, t * second + 250000000);
    fixture.addMessage({.guid = "taken", .chat = imessage, .date = t + 2, .isFromMe = true,
                        .associatedMessageType = 3001, .associatedMessageGuid = "bp:orig"});
    const auto smsLike = react("smsOrig", sms, t + 3, 2001);
    const auto now = at(t) + 1h;

    refused = {2};
    EXPECT_EQ(pass(now, now), (Summary{2, 0, 1, 0, 0, {}, {}, {"HTTP 503 unavailable"}}));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].channelId, "ch-imessage");
    EXPECT_EQ(Json(calls[0].events).dump(),
              R"([{"kind":"reaction","messageExternalId":"orig","reactorKey":"+15550002","fromMe":false,)"
              "\"emoji\":\"\u2764\uFE0F\","
              R"("mode":"set","at":"2025-09-19T18:40:00.250Z"},)"
              R"({"kind":"reaction","messageExternalId":"orig","reactorKey":"me","fromMe":true,"emoji":null,)"
              R"("mode":"set","at":"2025-09-19T18:40:02.000Z"}])");
    EXPECT_EQ(calls[1].channelId, "ch-sms");
    EXPECT_EQ(told(1), std::vector<std::string>{"smsOrig"});
    EXPECT_EQ(events.tapbackCursor(), 0);

    // Told again, the accepted ones too.
    EXPECT_EQ(pass(now, now).reactionsSent, 3);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(told(2), (std::vector<std::string>{"orig", "orig"}));
    EXPECT_EQ(told(3), std::vector<std::string>{"smsOrig"});
    EXPECT_EQ(events.tapbackCursor(), smsLike);

    EXPECT_TRUE(pass(now, now).quiet());
    EXPECT_EQ(calls.size(), 4u);

    react("orig", imessage, t + 10);
    const auto late = react("orig", imessage, t + 20);
    react("orig", imessage, t + 15, 2003);
    EXPECT_EQ(pass(at(t + 12), now).reactionsSent, 1);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(told(4, "at"), std::vector<std::string>{"2025-09-19T18:40:10.000Z"});
    EXPECT_EQ(events.tapbackCursor(), late - 1);

    const auto unreadable = react("", imessage, t + 30);
    const Summary last = pass(now, now);
    EXPECT_EQ(last.reactionsSent, 2);
    EXPECT_EQ(last.skippedTapbacks, 1);
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(told(5, "at"), (std::vector<std::string>{"2025-09-19T18:40:20.000Z", "2025-09-19T18:40:15.000Z"}));
    EXPECT_EQ(events.tapbackCursor(), unreadable);
}

TEST_F(MessageEventsPassTest, ReceiptsAreToldOnceRetriedWhenRefusedAndForgottenWhenOld) {
    fixture.execute("begin");
    for (int i = 0; i <= 1000; ++i) {
        fixture.addMessage({.guid = fmt::format("s{:04}", i), .chat = imessage, .date = t, .isFromMe = true,
                            .service = "iMessage", .isDelivered = true, .dateDelivered = (t + i) * second});
    }
    fixture.execute("commit");
    const auto now = at(t) + 1h;

    refused = {2};
    EXPECT_EQ(pass(now, now), (Summary{0, 501, 1, 0, 0, {}, {}, {"HTTP 503 unavailable"}}));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].events.size(), 500u);
    EXPECT_EQ(calls[1].events.size(), 500u);
    EXPECT_EQ(told(2), std::vector<std::string>{"s1000"});
    EXPECT_EQ(calls[0].events[0].dump(),
              R"({"kind":"status","messageExternalId":"s0000","status":"delivered","at":"2025-09-19T18:40:00.000Z"})");
    EXPECT_EQ(events.ledger().cursor(), 0);
    EXPECT_EQ(events.ledger().remembered(), 501u);

    // Only the refused batch again.
    EXPECT_EQ(pass(now, now).receiptsSent, 500);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(told(3), told(1));
    EXPECT_EQ(events.ledger().cursor(), (t + 1000) * second);
    EXPECT_EQ(events.ledger().remembered(), 1001u);

    fixture.execute(fmt::format("update message set date_read = {} where guid = 's1000'", (t + 2000) * second));
    EXPECT_EQ(pass(now, now).receiptsSent, 1);
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[4].events[0].dump(),
              R"({"kind":"status","messageExternalId":"s1000","status":"read","at":"2025-09-19T19:13:20.000Z"})");
    EXPECT_EQ(events.ledger().cursor(), (t + 2000) * second);
    EXPECT_TRUE(pass(now, now).quiet());

    // A week later the messages are out of the window: nothing is read, the cursor stays and
    // what was told before the window's start is forgotten.
    EXPECT_TRUE(pass(now, at(t + 800) + 604800s).quiet());
    EXPECT_EQ(calls.size(), 5u);
    EXPECT_EQ(events.ledger().cursor(), (t + 2000) * second);
    EXPECT_EQ(events.ledger().remembered(), 201u);
    EXPECT_FALSE(events.ledger().posted().contains("s0799"));
    EXPECT_TRUE(events.ledger().posted().contains("s0800"));
}

TEST_F(MessageEventsPassTest, AnIllFormedTextIsToldRepairedAndHoldsNothingBack) {
    const auto odd = fixture.addHandle("+1555\xFF" "0009");
    fixture.addMessage({.guid = "orig", .chat = imessage, .date = t, .text = "hello", .isFromMe = true,
                        .service = "iMessage", .isDelivered = true, .dateDelivered = (t + 1) * second});
    fixture.addMessage({.guid = "odd-like", .chat = imessage, .date = t + 1, .handle = odd,
                        .associatedMessageType = 2001, .associatedMessageGuid = "p:0/orig"});
    const auto good = fixture.addMessage({.guid = "good-like", .chat = imessage, .date = t + 2,
                                          .handle = friendHandle, .associatedMessageType = 2000,
                                          .associatedMessageGuid = "p:0/orig"});
    fixture.addMessage({.guid = "odd\xFE", .chat = imessage, .date = t, .text = "odd", .isFromMe = true,
                        .service = "iMessage", .isDelivered = true, .dateDelivered = (t + 2) * second});
    const auto now = at(t) + 1h;

    // Each batch as the service receives it.
    MessageEventsPass::Post post = [this](std::string channelId, std::vector<Json> events) {
        Json body{{"channelId", channelId}, {"events", events}};
        calls.push_back({std::move(channelId), {Json::parse(tarvo::requestBody(body, tarvo::IllFormedText::repair))}});
        return accepted();
    };
    const Summary summary =
        tarvo::runUntilDone(loop, events.run(ChatDatabase(chatDbPath()), bothChannels, now, now, post));

    EXPECT_EQ(summary.reactionsSent, 2);
    EXPECT_EQ(summary.receiptsSent, 2);
    EXPECT_EQ(summary.batchesFailed, 0);
    EXPECT_EQ(events.tapbackCursor(), good);
    EXPECT_EQ(events.ledger().cursor(), (t + 2) * second);
    ASSERT_EQ(calls.size(), 2u);
    const Json& reactions = calls[0].events[0]["events"];
    EXPECT_EQ(reactions[0]["reactorKey"], "+1555\uFFFD0009");
    EXPECT_EQ(reactions[1]["reactorKey"], "+15550002");
    EXPECT_EQ(calls[1].events[0]["events"][1]["messageExternalId"], "odd\uFFFD");
}

TEST_F(MessageEventsPassTest, AReceiptWindowBusierThanOneReadingNeverHoldsTheNextReceiptsBack) {
    fixture.execute("begin");
    for (int i = 0; i < 2100; ++i) {
        fixture.addMessage({.guid = fmt::format("s{:04}", i), .chat = imessage, .date = t, .isFromMe = true,
                            .service = "iMessage", .isDelivered = true, .dateDelivered = (t + 1) * second});
    }
    fixture.execute("commit");
    const auto now = at(t) + 1h;

    std::set<std::string> toldOnce;
    int toldAgain = 0;
    const auto passAndCount = [&] {
        const std::size_t before = calls.size();
        pass(now, now);
        for (std::size_t call = before; call < calls.size(); ++call) {
            for (const std::string& guid : told(call)) toldAgain += toldOnce.insert(guid).second ? 0 : 1;
        }
    };
    passAndCount();
    passAndCount();
    EXPECT_EQ(toldOnce.size(), 2100u);

    // A receipt after the busy second comes through within two more passes.
    fixture.addMessage({.guid = "later", .chat = imessage, .date = t, .isFromMe = true, .service = "iMessage",
                        .isDelivered = true, .dateDelivered = (t + 2) * second});
    passAndCount();
    passAndCount();
    EXPECT_TRUE(toldOnce.contains("later"));
    EXPECT_EQ(toldAgain, 0);
    EXPECT_EQ(events.ledger().cursor(), (t + 2) * second);
}

TEST_F(MessageEventsPassTest, WithoutAnSmsChannelItsEventsAreCountedAndDropped) {
    const auto like = fixture.addMessage({.guid = "like", .chat = sms, .date = t, .handle = friendHandle,
                                          .associatedMessageType = 2001, .associatedMessageGuid = "orig"});
    fixture.addMessage({.guid = "mine", .chat = sms, .date = t, .isFromMe = true, .service = "iMessage",
                        .isDelivered = true, .dateDelivered = (t + 2) * second});
    const auto now = at(t) + 1h;

    EXPECT_EQ(pass(now, now, {"ch-imessage", std::nullopt}), (Summary{0, 0, 0, 0, 2, {}, {}, {}}));
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(events.tapbackCursor(), like);
    EXPECT_EQ(events.ledger().cursor(), (t + 2) * second);
}

TEST_F(ChatDatabaseTest, APassThatCannotReadReportsWhyAndMovesNothing) {
    tarvo::RunLoop loop{std::make_shared<tarvo::FakeClock>()};
    const auto missingFile = folder / "missing.db";
    const auto noColumns = folder / "no-columns.db";
    MessagesDatabaseFixture fixture(noColumns,
                                    {.withoutColumns = {{"message", {"associated_message_guid", "date_read"}}}});
    struct Case {
        std::filesystem::path file;
        Summary summary;
    };
    for (const Case& c : std::initializer_list<Case>{
             {missingFile,
              {0, 0, 0, 0, 0, {},
               {"tapbacks: No Messages database at " + missingFile.string() + ".",
                "receipts: No Messages database at " + missingFile.string() + "."},
               {}}},
             {noColumns,
              {0, 0, 0, 0, 0,
               {"this Messages database has no associated_message_guid column, so tapbacks cannot be read from it",
                "this Messages database has no date_read column, so delivery and read receipts cannot be read from "
                "it"},
               {},
               {}}},
         }) {
        MessageEventsPass events(604800s);
        int posts = 0;
        MessageEventsPass::Post post = [&posts](std::string, std::vector<Json>) {
            ++posts;
            return accepted();
        };
        const auto now = at(t);
        const Summary summary = tarvo::runUntilDone(
            loop, events.run(ChatDatabase(c.file), bothChannels, now, now, post));
        EXPECT_EQ(summary, c.summary);
        EXPECT_FALSE(summary.quiet());
        EXPECT_EQ(posts, 0);
        EXPECT_EQ(events.tapbackCursor(), 0);
        EXPECT_EQ(events.ledger().cursor(), 0);
    }
    EXPECT_TRUE(leftoverCopies().empty());
}
