#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "CompanionTest.h"
#include "TarvoBase/Spawn.h"

using tarvo::runUntilDone;
using tarvo::spawn;
using tarvo::testing::CompanionTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

const std::string fullDiskAccess =
    "Tarvo needs Full Disk Access to read Messages. System Settings → Privacy & Security → Full Disk Access.";

} // namespace

TEST_F(CompanionTest, ThePermissionRefreshReadsTheRealDatabase) {
    MessagesDatabaseFixture whole(folder / "whole.db");
    MessagesDatabaseFixture withoutText(folder / "without-text.db", {.withoutColumns = {{"message", {"text"}}}});
    std::ofstream(folder / "notes.db") << "these are notes, not a database\n";

    struct Case {
        std::filesystem::path path;
        bool canRead;
        std::optional<std::string> blockedReason;
    };
    const Case cases[] = {
        {whole.path(), true, std::nullopt},
        {withoutText.path(), false,
         "The Messages database is not the shape Tarvo knows how to read: `message` has no `text`"},
        {folder / "notes.db", false, fullDiskAccess},
        {folder / "nowhere.db", false, fullDiskAccess},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        auto companion = makeCompanion(c.path);
        runUntilDone(loop, companion->refreshPermissionsNow());
        EXPECT_EQ(companion->state().canReadMessages, c.canRead);
        EXPECT_EQ(companion->state().blockedReason, c.blockedReason);
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "nowhere.db"));
}

TEST_F(CompanionTest, AReadableDatabaseClearsTheReasonAnEarlierTickGave) {
    auto companion = makeCompanion(readableDatabase());
    spawn(companion->requestTick());
    settle();
    ASSERT_TRUE(companion->state().blockedReason.has_value());

    runUntilDone(loop, companion->refreshPermissionsNow());

    EXPECT_TRUE(companion->state().canReadMessages);
    EXPECT_EQ(companion->state().blockedReason, std::nullopt);
}
