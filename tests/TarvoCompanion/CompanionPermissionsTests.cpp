#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

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

    std::filesystem::create_directories(folder / "a-folder.db");
    const std::string shape = "The Messages database is not the shape Tarvo knows how to read: `message` has no `text`";
    struct Case {
        std::filesystem::path path;
        bool canRead;
        std::optional<std::string> blockedReason;
        // `status` says what is wrong with the file here; the service hears the sentence above.
        std::string line;
    };
    const Case cases[] = {
        {whole.path(), true, std::nullopt, "tarvo: Messages can be read at " + whole.path().string()},
        {withoutText.path(), false, shape,
         "tarvo: Messages cannot be read — " + withoutText.path().string() + ": " + shape},
        {folder / "notes.db", false, fullDiskAccess,
         "tarvo: Messages cannot be read — " + (folder / "notes.db").string() + ": not a database SQLite can read"},
        {folder / "nowhere.db", false, fullDiskAccess,
         "tarvo: Messages cannot be read — " + (folder / "nowhere.db").string() + ": no file there"},
        {folder / "a-folder.db", false, fullDiskAccess,
         "tarvo: Messages cannot be read — " + (folder / "a-folder.db").string() + ": not a file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.filename().string());
        auto companion = makeCompanion(c.path);
        runUntilDone(loop, companion->refreshPermissionsNow());
        EXPECT_EQ(companion->state().canReadMessages, c.canRead);
        EXPECT_EQ(companion->state().blockedReason, c.blockedReason);
        const std::string status = companion->status();
        EXPECT_NE(status.find(c.canRead ? "messages: readable at " + c.path.string()
                                        : "messages: not readable — " + c.line.substr(c.line.find("— ") + 4)),
                  std::string::npos)
            << status;
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
