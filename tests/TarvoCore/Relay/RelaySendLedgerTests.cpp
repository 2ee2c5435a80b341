#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "TarvoBase/Clock.h"
#include "TarvoCore/Relay/RelaySendLedger.h"

using namespace std::chrono_literals;
using tarvo::FakeClock;
using tarvo::RelaySendLedger;

namespace {

struct LedgerTest : ::testing::Test {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RelaySendLedger ledger{600s, clock};
    RelaySendLedger::Date now = clock->date();
};

} // namespace

TEST_F(LedgerTest, BodiesMatchWhateverTheirLineEndsAndUnicodeForm) {
    struct Case {
        std::string recorded;
        std::string readBack;
        bool claimed;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"ok\n", "ok\r\n ", true},
             {"one\rtwo", "one\ntwo", true},
             {"one\r\ntwo", "one\ntwo", true},
             {"one\r\rtwo", "one\n\ntwo", true},
             {"one\r\ntwo", "one\n\ntwo", false},
             {"caf\xC3\xA9", "cafe\xCC\x81", true}, // composed and decomposed é
             {"", " \n\t", true},                   // a file part
             {"", "hello", false},
             {"Hello", "hello", false},
         }) {
        RelaySendLedger fresh(600s, clock);
        fresh.record("+15551234567", c.recorded, now);
        EXPECT_EQ(fresh.claim("+15551234567", c.readBack, now, "m"), c.claimed) << c.recorded << " / " << c.readBack;
    }
}

TEST_F(LedgerTest, ReadBackDatesFromOneSecondBeforeTheRecordOn) {
    struct Case {
        RelaySendLedger::Date at;
        bool claimed;
    };
    for (const Case& c : std::initializer_list<Case>{
             {now - 1s, true},
             {now - 2s, false},
             {now - 1s - 1ms, false},
             {now + 300s, true},
         }) {
        RelaySendLedger fresh(600s, clock);
        fresh.record("a@example.com", "hi", now);
        EXPECT_EQ(fresh.claim("a@example.com", "hi", c.at, "m"), c.claimed)
            << (c.at - now).count() << " ns from the record";
    }
}

TEST_F(LedgerTest, AnEntryExactlyAWindowOldIsKept) {
    ledger.record("a@example.com", "kept", now - 600s);
    ledger.record("a@example.com", "pruned", now - 600s - 1ms);
    EXPECT_EQ(ledger.pending(), 1u);
    EXPECT_TRUE(ledger.claim("a@example.com", "kept", now, "m1"));
    EXPECT_FALSE(ledger.claim("a@example.com", "pruned", now, "m2"));
}

TEST_F(LedgerTest, RecordPrunesRelativeToItsOwnDate) {
    clock->setDate(now - 1000s);
    ledger.record("a@example.com", "old", now - 1000s);
    ledger.record("a@example.com", "later", now - 300s); // 700 s after "old": prunes it
    EXPECT_EQ(ledger.pending(), 1u);
    clock->setDate(now);
    EXPECT_FALSE(ledger.claim("a@example.com", "old", now, "m1"));
    EXPECT_TRUE(ledger.claim("a@example.com", "later", now, "m2"));
}

TEST_F(LedgerTest, IdenticalPartsAreClaimedOneEachOldestFirst) {
    ledger.record("+15551234567", "same", now - 10s);
    ledger.record("+15551234567", "same", now);
    // The newer entry cannot match a read-back dated 5 s before it: the older one must go first.
    EXPECT_TRUE(ledger.claim("+15551234567", "same", now - 5s, "m1"));
    EXPECT_FALSE(ledger.claim("+15551234567", "same", now - 5s, "m2"));
    EXPECT_TRUE(ledger.claim("+15551234567", "same", now, "m2"));
    EXPECT_FALSE(ledger.claim("+15551234567", "same", now, "m3"));
    EXPECT_EQ(ledger.pending(), 0u);
}

TEST_F(LedgerTest, AMessageHandedOverAgainKeepsItsClaimForTheWindow) {
    ledger.record("+15551234567", "sent by Tarvo", now);
    ASSERT_TRUE(ledger.claim("+15551234567", "sent by Tarvo", now, "guid-1"));
    // Its ingest failed; the next pass hands the same row over again.
    EXPECT_TRUE(ledger.claim("+15551234567", "sent by Tarvo", now, "guid-1"));
    // The user's own copy of the words, another row, is not Tarvo's.
    EXPECT_FALSE(ledger.claim("+15551234567", "sent by Tarvo", now, "guid-2"));
    // Without an id nothing is remembered.
    ledger.record("+15551234567", "again", now);
    ASSERT_TRUE(ledger.claim("+15551234567", "again", now, ""));
    EXPECT_FALSE(ledger.claim("+15551234567", "again", now, ""));

    clock->advance(600s);
    EXPECT_TRUE(ledger.claim("+15551234567", "sent by Tarvo", now, "guid-1"));
    clock->advance(1s);
    EXPECT_FALSE(ledger.claim("+15551234567", "sent by Tarvo", now, "guid-1"));
}

TEST(RelaySendLedger, SameConversation) {
    struct Case {
        std::string a;
        std::string b;
        bool same;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"Anna@Example.com", "anna@example.com", true},
             {"+1 (555) 123-4567", "5551234567", true},
             {"555.123.4567", "+15551234567", true},
             {"+1234567", "1234567", true},   // seven digits
             {"+123456", "123456", false},    // six are too few
             {"5551234567", "5551234568", false},
             {"+44 20 7946 0958", "+1 20 7946 0958", false},
             // Only phone numbers are compared by their digits.
             {"anna5551234567@example.com", "bob5551234567@example.com", false},
             {"anna5551234567@example.com", "5551234567", false},
             {"chat1234567890", "1234567890", false},
             {"abc1234567", "1234567", false},
         }) {
        EXPECT_EQ(RelaySendLedger::sameConversation(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(RelaySendLedger::sameConversation(c.b, c.a), c.same) << c.b << " / " << c.a;
    }
}

TEST_F(LedgerTest, ClaimsOnlyInTheSameConversation) {
    ledger.record("+1 (555) 123-4567", "hi", now);
    EXPECT_FALSE(ledger.claim("anna5551234567@example.com", "hi", now, "m1"));
    EXPECT_TRUE(ledger.claim("5551234567", "hi", now, "m2"));
}
