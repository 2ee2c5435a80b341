#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Support/CapturedTarvoLog.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCore/Operator/OperatorBackoff.h"
#include "TarvoCore/Operator/OperatorStopLedger.h"
#include "TarvoCore/Operator/StopReportOutcome.h"

using namespace tarvo;
using namespace std::chrono_literals;
using Entry = OperatorStopLedger::Entry;
using Date = OperatorStopLedger::Date;

namespace {

const Date start{1'700'000'000s};

std::vector<std::string> runIds(const std::vector<Entry>& entries) {
    std::vector<std::string> ids;
    for (const Entry& entry : entries) ids.push_back(entry.runId);
    return ids;
}

} // namespace

TEST(OperatorStopLedger, StoredFormSurvivesANewSettingsStore) {
    tarvo::testing::TemporaryFolder folder;
    {
        FileSettingsStore store(folder.path());
        OperatorStopLedger ledger(store);
        ledger.record("run-b", "hotkey", start + 2500ms);
        ledger.record("run-a", "bar", start);
        ledger.record("run-c", "menu", start + 3s);
        ledger.markReported("run-b");
    }
    FileSettingsStore reopened(folder.path());
    EXPECT_EQ(reopened.object("TarvoOperatorStops"), Json::parse(R"([
        {"runId": "run-a", "by": "bar", "at": 1700000000.0, "reported": false},
        {"runId": "run-b", "by": "hotkey", "at": 1700000002.5, "reported": true},
        {"runId": "run-c", "by": "menu", "at": 1700000003.0, "reported": false}])"));

    const OperatorStopLedger ledger(reopened);
    EXPECT_EQ(ledger.entries(), (std::vector<Entry>{{"run-a", "bar", start, false},
                                                    {"run-b", "hotkey", start + 2500ms, true},
                                                    {"run-c", "menu", start + 3s, false}}));
    EXPECT_EQ(ledger.stoppedRunIds(), (std::vector<std::string>{"run-a", "run-b", "run-c"}));
    EXPECT_EQ(runIds(ledger.unreported()), (std::vector<std::string>{"run-a", "run-c"}));
}

TEST(OperatorStopLedger, TheFirstRecordOfARunStands) {
    MemorySettingsStore store;
    OperatorStopLedger ledger(store);
    ledger.record("run-1", "bar", start);
    ledger.markReported("run-1");
    ledger.record("run-1", "menu", start + 5s);
    ledger.record("run-2", "the cat", start + 1s);
    ledger.record("", "bar", start + 2s);
    EXPECT_EQ(ledger.entries(), (std::vector<Entry>{{"run-1", "bar", start, true}, {"run-2", "conditions", start + 1s, false}}));

    const auto before = store.object(OperatorStopLedger::key);
    ledger.markReported("run-unknown");
    EXPECT_EQ(store.object(OperatorStopLedger::key), before);
}

TEST(OperatorStopLedger, TheTrimToFiftyDropsTheOldestReportedEntryFirst) {
    struct Case {
        const char* name;
        std::vector<int> reported;
        std::string dropped;
    };
    const Case cases[] = {
        {"the fourth is the oldest reported", {3, 10}, "run-3"},
        {"none is reported", {}, "run-0"},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        OperatorStopLedger ledger(store);
        for (int i = 0; i < 50; ++i) ledger.record("run-" + std::to_string(i), "bar", start + std::chrono::seconds(i));
        for (int i : c.reported) ledger.markReported("run-" + std::to_string(i));
        ledger.record("run-new", "menu", start + 100s);

        const auto ids = ledger.stoppedRunIds();
        EXPECT_EQ(ids.size(), 50u) << c.name;
        EXPECT_EQ(std::ranges::count(ids, c.dropped), 0) << c.name;
        EXPECT_EQ(ids.back(), "run-new") << c.name;
    }
}

TEST(OperatorStopLedger, ReadsOnlyWellFormedEntries) {
    struct Case {
        const char* stored;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {R"("run-1")", {}},
        {R"({"runId": "run-1", "by": "bar", "at": 1700000000})", {}},
        {R"([{"runId": "run-1", "by": "bar"}, {"runId": "run-2", "by": "menu", "at": 1700000000}])",
         {{"run-2", "menu", start, false}}},
        {R"([7, {"runId": "", "by": "bar", "at": 1}, {"runId": "run-3", "by": 4, "at": 1},
             {"runId": "run-4", "by": "bar", "at": "1700000000"}, {"runId": "run-5", "by": "bar", "at": 1e300},
             {"runId": "run-6", "by": "bar", "at": 1700000000, "reported": "yes"},
             {"runId": "run-7", "by": "quit", "at": 1700000000, "reported": true}])",
         {{"run-6", "bar", start, false}, {"run-7", "quit", start, true}}},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store({{"TarvoOperatorStops", Json::parse(c.stored)}});
        EXPECT_EQ(OperatorStopLedger(store).entries(), c.expected) << c.stored;
    }

    MemorySettingsStore store({{"TarvoOperatorStops", Json::parse(R"([{"runId": "run-1"}])")}});
    OperatorStopLedger(store).record("run-2", "bar", start);
    EXPECT_EQ(store.object(OperatorStopLedger::key),
              Json::parse(R"([{"runId": "run-2", "by": "bar", "at": 1700000000.0, "reported": false}])"));
}

TEST(StopReportOutcome, OfStatus) {
    struct Case {
        std::int64_t status;
        StopReportOutcome expected;
    };
    const Case cases[] = {
        {200, StopReportOutcome::heard}, {204, StopReportOutcome::heard}, {299, StopReportOutcome::heard},
        {199, StopReportOutcome::retry}, {300, StopReportOutcome::retry}, {400, StopReportOutcome::moot},
        {401, StopReportOutcome::retry}, {403, StopReportOutcome::retry}, {404, StopReportOutcome::moot},
        {409, StopReportOutcome::moot},  {410, StopReportOutcome::moot},  {411, StopReportOutcome::retry},
        {422, StopReportOutcome::moot},  {429, StopReportOutcome::retry}, {500, StopReportOutcome::retry},
        {0, StopReportOutcome::retry},   {-1, StopReportOutcome::retry},
    };
    for (const auto& c : cases) EXPECT_EQ(StopReportOutcome::of(c.status), c.expected) << c.status;
}

TEST(StopReportOutcome, LogLineShowsTheCaseNameAndStatus) {
    tarvo::testing::CapturedTarvoLog log;
    TarvoLog::operatorStopReported(StopReportOutcome::heard, 204);
    TarvoLog::operatorStopReported(StopReportOutcome::moot, 410);
    TarvoLog::operatorStopReported(StopReportOutcome::retry, 503);
    const auto entries = log.entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].category, "operator");
    EXPECT_EQ(entries[0].format, "operator stop report %{public}s, status %{public}ld");
    EXPECT_EQ(entries[0].text(), "operator stop report heard, status 204");
    EXPECT_EQ(entries[1].text(), "operator stop report moot, status 410");
    EXPECT_EQ(entries[2].text(), "operator stop report retry, status 503");
}

TEST(OperatorBackoff, DelayBounds) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        std::int64_t failures, status;
        double random, expected;
    };
    std::vector<Case> cases = {
        {0, 500, 0.2, 0.7},        {0, 429, 0.2, 30.0},  {9, 404, 0.5, 60.0},     {1, 403, 0.0, 60.0},
        {3, 500, 1.5, 4.999998},   {10, 0, 0.0, 22.5},   {2, 500, -3.0, 1.5},     {2, 500, nan, 1.5},
        {-4, 500, 0.25, 0.75},     {1, 0, 0.5, 1.0},     {1000, 500, 0.999999, 30.0},
    };
    const double lowest[] = {0.5, 1.5, 3, 6, 12, 22.5, 22.5, 22.5, 22.5, 22.5};
    const double highest[] = {1.499999, 2.499999, 4.999998, 9.999996, 19.999992, 30, 30, 30, 30, 30};
    for (std::int64_t failures = 1; failures <= 10; ++failures) {
        cases.push_back({failures, 500, 0.0, lowest[failures - 1]});
        cases.push_back({failures, 500, 0.999999, highest[failures - 1]});
        for (const std::int64_t status : {403, 404}) cases.push_back({failures, status, 0.7, 60.0});
        for (const double random : {0.0, 0.999999}) cases.push_back({failures, 429, random, 30.0});
    }
    for (const auto& c : cases) {
        const double delay = OperatorBackoff::delay(c.failures, c.status, c.random).count();
        EXPECT_NEAR(delay, c.expected, 1e-9) << c.failures << " failures, status " << c.status << ", random " << c.random;
    }
}
