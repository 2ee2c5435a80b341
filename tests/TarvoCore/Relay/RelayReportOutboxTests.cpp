#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <vector>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCore/Relay/RelayReportOutbox.h"

using namespace std::chrono_literals;
using tarvo::FileSettingsStore;
using tarvo::Json;
using tarvo::MemorySettingsStore;
using tarvo::RelayJobReport;
using tarvo::RelayReportOutbox;
using tarvo::testing::TemporaryFolder;
using Entry = RelayReportOutbox::Entry;
using Entries = std::vector<Entry>;

namespace tarvo {

inline void PrintTo(const RelayReportOutbox::Entry& entry, std::ostream* out) {
    *out << "{" << entry.jobId << ", ok " << entry.report.ok << ", " << entry.report.failureReason.value_or("-")
         << ", " << entry.keptAt.time_since_epoch().count() << ", retrying " << entry.retrying << "}";
}

} // namespace tarvo

namespace {

const RelayReportOutbox::Date day = RelayReportOutbox::Date{} + 24h * 20000;

} // namespace

TEST(RelayReportOutbox, KeptReportsOutliveTheStoreOldestFirst) {
    TemporaryFolder folder;
    {
        RelayReportOutbox outbox(std::make_shared<FileSettingsStore>(folder.path()));
        outbox.keep("job-b", RelayJobReport::failed("It did not go."), day + 5s);
        outbox.keep("job-a", RelayJobReport::sent(), day + 9s);
        outbox.keep("job-c", RelayJobReport::sent(), day);
        outbox.keep("job-b", RelayJobReport::sent(), day + 7s);
        outbox.setRetrying("job-a", false);
        outbox.remove("job-c");
    }
    const RelayReportOutbox reread(std::make_shared<FileSettingsStore>(folder.path()));
    EXPECT_EQ(reread.entries(), (Entries{{"job-b", RelayJobReport::sent(), day + 7s, true},
                                         {"job-a", RelayJobReport::sent(), day + 9s, false}}));
    EXPECT_EQ(reread.find("job-a"), (Entry{"job-a", RelayJobReport::sent(), day + 9s, false}));
    EXPECT_EQ(reread.find("job-c"), std::nullopt);
}

TEST(RelayReportOutbox, AReportIsKeptForTheWholeRetentionAndNoLonger) {
    auto store = std::make_shared<MemorySettingsStore>();
    RelayReportOutbox outbox(store);
    outbox.keep("old", RelayJobReport::failed("No."), day);
    outbox.keep("new", RelayJobReport::sent(), day + 1s);
    const auto retention = std::chrono::duration_cast<RelayReportOutbox::Date::duration>(RelayReportOutbox::retention);

    EXPECT_EQ(outbox.expire(day + retention), Entries{});
    EXPECT_EQ(outbox.expire(day + retention + 1s), (Entries{{"old", RelayJobReport::failed("No."), day, true}}));
    EXPECT_EQ(outbox.expire(day + retention + 2s).size(), 1u);
    EXPECT_EQ(store->object(RelayReportOutbox::key), std::nullopt);
}

TEST(RelayReportOutbox, AStoredEntryThatCannotBeReadIsLeftOutAndDroppedAtTheNextChange) {
    auto store = std::make_shared<MemorySettingsStore>();
    store->set(Json{{"bad-ok", {{"ok", "yes"}, {"keptAt", "2024-01-01T00:00:00.000Z"}, {"retrying", true}}},
                    {"bad-date", {{"ok", true}, {"keptAt", "yesterday"}, {"retrying", true}}},
                    {"bad-reason", {{"ok", false}, {"failureReason", 3}, {"keptAt", "2024-01-01T00:00:00.000Z"},
                                    {"retrying", true}}},
                    {"good", {{"ok", true}, {"keptAt", "2024-01-01T00:00:00.000Z"}, {"retrying", false}}}},
               RelayReportOutbox::key);
    RelayReportOutbox outbox(store);
    ASSERT_EQ(outbox.entries().size(), 1u);
    EXPECT_EQ(outbox.entries()[0].jobId, "good");

    outbox.setRetrying("good", true);
    EXPECT_EQ(store->object(RelayReportOutbox::key)->size(), 1u);
}
