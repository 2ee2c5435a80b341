#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "Support/MessagesDatabaseFixture.h"
#include "TarvoCore/Messages/MessageEvents/MessageEvents.h"
#include "TarvoCore/Messages/MessageEvents/MessageEventsPass.h"
#include "TarvoCore/Messages/MessageEvents/ReceiptLedger.h"

using namespace std::chrono_literals;
using tarvo::CaptureCursor;
using tarvo::ChatDatabase;
using tarvo::MessageEvents;
using tarvo::MessageEventsPass;
using tarvo::ReceiptLedger;

namespace {

constexpr std::int64_t second = tarvo::testing::appleNanosecondsPerSecond;
constexpr std::int64_t t = 780000000;

const auto at = tarvo::testing::appleDate;

ChatDatabase::Tapback tapback(std::int64_t rowId, ChatDatabase::Date date) {
    return {rowId, "m" + std::to_string(rowId), "me", true, "x", date, false};
}

ChatDatabase::Receipt receipt(const std::string& guid, const std::string& status, std::int64_t changedAt) {
    return {guid, status, at(t), changedAt, false};
}

std::vector<std::int64_t> rows(const std::vector<ChatDatabase::Tapback>& tapbacks) {
    std::vector<std::int64_t> out;
    for (const auto& tapback : tapbacks) out.push_back(tapback.rowId);
    return out;
}

} // namespace

TEST(MessageEvents, EventObjects) {
    const ChatDatabase::Tapback heart{7, "G-1", "+15550002", false, "\u2764\uFE0F",
                                      ChatDatabase::appleTimeToDate(t * second + 123999999), true};
    EXPECT_EQ(MessageEvents::payload(heart).dump(),
              R"({"kind":"reaction","messageExternalId":"G-1","reactorKey":"+15550002","fromMe":false,)"
              "\"emoji\":\"\u2764\uFE0F\","
              R"("mode":"set","at":"2025-09-19T18:40:00.123Z"})");
    const ChatDatabase::Tapback takenBack{8, "G-1", "me", true, std::nullopt, at(t + 1), false};
    EXPECT_EQ(MessageEvents::payload(takenBack).dump(),
              R"({"kind":"reaction","messageExternalId":"G-1","reactorKey":"me","fromMe":true,"emoji":null,)"
              R"("mode":"set","at":"2025-09-19T18:40:01.000Z"})");
    const ChatDatabase::Receipt read{"G-2", "read", at(t + 25), (t + 30) * second, false};
    EXPECT_EQ(MessageEvents::payload(read).dump(),
              R"({"kind":"status","messageExternalId":"G-2","status":"read","at":"2025-09-19T18:40:25.000Z"})");
}

TEST(MessageEvents, Batches) {
    struct Case {
        int count;
        int size;
        std::vector<std::size_t> sizes;
    };
    for (const Case& c : std::initializer_list<Case>{
             {0, 0, {0}},
             {3, 0, {3}},
             {3, -1, {3}},
             {0, 2, {}},
             {5, 2, {2, 2, 1}},
             {4, 2, {2, 2}},
             {1001, MessageEvents::batchLimit, {500, 500, 1}},
         }) {
        std::vector<int> list(static_cast<std::size_t>(c.count));
        for (int i = 0; i < c.count; ++i) list[static_cast<std::size_t>(i)] = i;
        const auto batches = MessageEvents::batches(list, c.size);
        std::vector<std::size_t> sizes;
        std::vector<int> joined;
        for (const auto& batch : batches) {
            sizes.push_back(batch.size());
            joined.insert(joined.end(), batch.begin(), batch.end());
        }
        EXPECT_EQ(sizes, c.sizes) << c.count << " by " << c.size;
        EXPECT_EQ(joined, list) << c.count << " by " << c.size;
    }
}

TEST(MessageEvents, CeilingWaitsForACaptureMoreThanAnHourBehind) {
    const auto now = at(t);
    EXPECT_EQ(MessageEvents::ceiling(CaptureCursor{now - 3600s}, now), now);
    EXPECT_EQ(MessageEvents::ceiling(CaptureCursor{now - 3600s - 1ms}, now), now - 3600s - 1ms);
    EXPECT_EQ(MessageEvents::ceiling(CaptureCursor{now + 5s}, now), now);
}

TEST(MessageEvents, PlanStopsBeforeTheFirstReactionPastTheCeiling) {
    const auto ceiling = at(t);
    std::vector<ChatDatabase::Tapback> ten;
    for (std::int64_t row = 11; row <= 20; ++row) ten.push_back(tapback(row, row == 14 ? ceiling + 1ns : ceiling));
    const auto held = MessageEvents::plan(ten, 25, ceiling);
    EXPECT_EQ(rows(held.send), (std::vector<std::int64_t>{11, 12, 13}));
    EXPECT_EQ(held.advanceTo, 13);

    ten[3].date = ceiling;
    const auto all = MessageEvents::plan(ten, 25, ceiling);
    EXPECT_EQ(all.send, ten);
    EXPECT_EQ(all.advanceTo, 25);
    EXPECT_EQ(MessageEvents::plan({}, 9, ceiling), (MessageEvents::Plan{{}, 9}));
}

TEST(ReceiptLedger, TellsEachStatusOnceAndReadAfterDelivered) {
    ReceiptLedger ledger(300 * second);
    EXPECT_EQ(ledger.readFrom(), 0);
    const std::vector<ChatDatabase::Receipt> first{receipt("a", "delivered", 10), receipt("b", "read", 11),
                                                   receipt("c", "sent", 12)};
    EXPECT_EQ(ledger.fresh(first), std::vector(first.begin(), first.begin() + 2));
    ledger.record(first);
    EXPECT_EQ(ledger.remembered(), 2u);
    EXPECT_EQ(ledger.posted().at("a"), (ReceiptLedger::Posted{1, 10}));

    const std::vector<ChatDatabase::Receipt> later{receipt("a", "read", 20), receipt("b", "delivered", 21),
                                                   receipt("a", "delivered", 22)};
    EXPECT_EQ(ledger.fresh(later), std::vector{later[0]});
    ledger.record(later);
    EXPECT_EQ(ledger.posted().at("a"), (ReceiptLedger::Posted{2, 20}));
    EXPECT_EQ(ledger.posted().at("b"), (ReceiptLedger::Posted{2, 11}));
}

TEST(ReceiptLedger, CursorOnlyMovesForwardAndForgettingKeepsTheCutoff) {
    ReceiptLedger ledger(300 * second);
    ledger.advance(200 * second);
    EXPECT_EQ(ledger.readFrom(), 0);
    ledger.advance(1000 * second);
    ledger.advance(900 * second);
    EXPECT_EQ(ledger.cursor(), 1000 * second);
    EXPECT_EQ(ledger.readFrom(), 700 * second);

    ledger.record({receipt("old", "read", 699 * second), receipt("edge", "read", 700 * second),
                   receipt("new", "delivered", 800 * second)});
    ledger.forget(700 * second);
    EXPECT_EQ(ledger.remembered(), 2u);
    EXPECT_FALSE(ledger.posted().contains("old"));
}

TEST(MessageEventsPassSummary, LineAndQuiet) {
    MessageEventsPass::Summary summary;
    EXPECT_EQ(summary.line(), "message events — 0 reaction(s), 0 receipt(s) sent, 0 batch(es) failed, 0 tapback(s) "
                              "unreadable, 0 on a channel not connected");
    EXPECT_TRUE(summary.quiet());
    summary.batchFailures.push_back("HTTP 503 unavailable");
    EXPECT_TRUE(summary.quiet());

    const auto noisy = [](auto change) {
        MessageEventsPass::Summary s;
        change(s);
        return !s.quiet();
    };
    EXPECT_TRUE(noisy([](auto& s) { s.reactionsSent = 1; }));
    EXPECT_TRUE(noisy([](auto& s) { s.receiptsSent = 1; }));
    EXPECT_TRUE(noisy([](auto& s) { s.batchesFailed = 1; }));
    EXPECT_TRUE(noisy([](auto& s) { s.skippedTapbacks = 1; }));
    EXPECT_TRUE(noisy([](auto& s) { s.withoutChannel = 1; }));
    EXPECT_TRUE(noisy([](auto& s) { s.unobservable.push_back("r"); }));
    EXPECT_TRUE(noisy([](auto& s) { s.readFailures.push_back("r"); }));

    const MessageEventsPass::Summary counted{1, 2, 3, 4, 5, {}, {}, {}};
    EXPECT_EQ(counted.line(), "message events — 1 reaction(s), 2 receipt(s) sent, 3 batch(es) failed, 4 tapback(s) "
                              "unreadable, 5 on a channel not connected");
}
