#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Support/TemporaryFolder.h"

#include "TarvoCore/Companion/CaptureCursor.h"
#include "TarvoCore/Companion/IngestedRecently.h"

using namespace std::chrono_literals;
using tarvo::CaptureCursor;
using tarvo::IngestedRecently;
using tarvo::LiveWindow;
using Seconds = CaptureCursor::Seconds;

namespace {
const CaptureCursor::Date noon = std::chrono::sys_days{std::chrono::year{2024} / 3 / 5} + 12h;
}

TEST(CaptureCursor, InitialIsTheGivenNumberOfDaysBack) {
    EXPECT_EQ(CaptureCursor::initial(noon, 7).lastMessageDate, noon - 7 * 24h);
    EXPECT_EQ(CaptureCursor::initial(noon, 0).lastMessageDate, noon);
}

TEST(CaptureCursor, AdvanceOnlyMovesStrictlyForward) {
    struct Case {
        CaptureCursor::Date to;
        double overlap;
        CaptureCursor::Date expected;
    };
    const Case cases[] = {
        {noon + 10s, 5, noon + 5s},  // forward, less the overlap
        {noon + 5s, 5, noon},        // candidate equals the cursor
        {noon + 4s, 5, noon},        // candidate earlier: never back
        {noon - 1h, 0, noon},
        {noon + 1ms, 0, noon + 1ms},
    };
    for (const auto& c : cases) {
        CaptureCursor cursor{noon};
        cursor.advance(c.to, Seconds(c.overlap));
        EXPECT_EQ(cursor.lastMessageDate, c.expected);
    }
}

TEST(CaptureCursor, LiveWindowReadsTheRecentSpanOrFromTheCursor) {
    const CaptureCursor atStart{noon - 60s};
    EXPECT_EQ(atStart.liveWindow(noon, Seconds(60)), (LiveWindow{noon - 60s, true}));
    const CaptureCursor behind{noon - 61s};
    EXPECT_EQ(behind.liveWindow(noon, Seconds(60)), (LiveWindow{noon - 60s, false}));
    const CaptureCursor recent{noon - 10s};
    EXPECT_EQ(recent.liveWindow(noon, Seconds(60)), (LiveWindow{noon - 10s, true}));
}

TEST(CaptureCursor, CodedFormRoundTripsAndNeedsItsMember) {
    const CaptureCursor cursor{noon + 250ms};
    const auto json = cursor.toJson();
    ASSERT_TRUE(json.contains("lastMessageDate"));
    EXPECT_EQ(json.size(), 1u);
    EXPECT_EQ(CaptureCursor::fromJson(json), cursor);
    EXPECT_ANY_THROW(CaptureCursor::fromJson(tarvo::Json::object()));
    EXPECT_ANY_THROW(CaptureCursor::fromJson(tarvo::Json{{"lastMessageDate", "yesterday"}}));
}

TEST(CaptureCursor, DatesPastWhatTheClockHoldsAreHeldAtItsEnds) {
    const CaptureCursor::Date latest = CaptureCursor::Date::max() - 1s;
    const CaptureCursor::Date earliest = CaptureCursor::Date::min() + 1s;
    for (const double stored : {1e300, -1e300, 1e12, -1e12}) {
        SCOPED_TRACE(stored);
        const auto cursor = CaptureCursor::fromJson(tarvo::Json{{"lastMessageDate", stored}});
        const auto end = stored > 0 ? latest : earliest;
        EXPECT_LE(std::chrono::abs(cursor.lastMessageDate - end), 1s);
        EXPECT_LE(std::chrono::abs(CaptureCursor::fromJson(cursor.toJson()).lastMessageDate - end), 1s);
    }
    EXPECT_LE(CaptureCursor::initial(noon, 1 << 30).lastMessageDate, earliest + 1s);

    CaptureCursor cursor{noon};
    cursor.advance(noon, Seconds(-1e300));
    EXPECT_GE(cursor.lastMessageDate, latest - 1s);
    EXPECT_EQ(CaptureCursor{noon}.liveWindow(noon, Seconds(1e300)), (LiveWindow{noon, true}));
}

TEST(IngestedRecently, ForgetDropsOnlyStrictlyEarlierEntries) {
    IngestedRecently recent;
    recent.record("a", noon - 1s);
    recent.record("b", noon);
    recent.record("c", noon + 1s);
    recent.record("a", noon - 2s);  // a new hand-over moves its date
    EXPECT_EQ(recent.count(), 3u);
    recent.forget(noon);
    EXPECT_FALSE(recent.contains("a"));
    EXPECT_TRUE(recent.contains("b"));
    EXPECT_TRUE(recent.contains("c"));
    recent.record("c", noon - 1h);
    recent.forget(noon);
    EXPECT_EQ(recent.count(), 1u);
}

TEST(IngestedRecently, AJournalOutlivesTheProgramAPartLineIsPassedOverAndTheFileStaysSmall) {
    tarvo::testing::TemporaryFolder folder;
    const auto journal = folder / "state" / "handed-over.jsonl";
    {
        IngestedRecently recent(journal);
        recent.record("a", noon - 1s);
        recent.record("odd\xFF", noon);
    }
    // A program killed while it wrote its last line.
    std::ofstream(journal, std::ios::app) << R"(["half-wri)";
    {
        IngestedRecently reopened(journal);
        EXPECT_EQ(reopened.count(), 2u);
        EXPECT_TRUE(reopened.contains("a"));
        EXPECT_TRUE(reopened.contains("odd\xEF\xBF\xBD"));
        reopened.record("b", noon + 1s);
    }
    IngestedRecently again(journal);
    EXPECT_TRUE(again.contains("b"));

    // Once it holds mostly forgotten ids, the file is rewritten with what is still remembered.
    for (int i = 0; i < 3000; ++i) again.record("old" + std::to_string(i), noon - 1h);
    again.forget(noon);
    EXPECT_EQ(again.count(), 2u);
    IngestedRecently compacted(journal);
    EXPECT_EQ(compacted.count(), 2u);
    EXPECT_LT(std::filesystem::file_size(journal), 100u);
}
