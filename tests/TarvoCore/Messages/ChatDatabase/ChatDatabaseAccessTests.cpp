#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "ChatDatabaseTest.h"

using namespace std::chrono_literals;
using tarvo::ChatDatabase;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;
using Failure = ChatDatabase::Failure;

namespace {

// Runs `read` and answers the failure it throws.
template <class F>
Failure failureOf(F read) {
    try {
        read();
    } catch (const Failure& failure) {
        return failure;
    }
    ADD_FAILURE() << "no failure was thrown";
    return Failure::query("none");
}

} // namespace

TEST_F(ChatDatabaseTest, DefaultPathIsInTheHomeLibrary) {
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(ChatDatabase::defaultPath(), std::filesystem::path(home) / "Library/Messages/chat.db");
}

TEST_F(ChatDatabaseTest, FailureSentences) {
    EXPECT_EQ(Failure::permissionDenied("/x/chat.db").description(),
              "macOS refused access to /x/chat.db. Tarvo needs Full Disk Access.");
    EXPECT_EQ(Failure::notFound("/x/chat.db").description(), "No Messages database at /x/chat.db.");
    EXPECT_EQ(Failure::schemaChanged("d").description(), "The Messages database is not the shape Tarvo knows how to read: d");
    EXPECT_EQ(Failure::query("d").description(), "Reading the Messages database failed: d");
}

TEST_F(ChatDatabaseTest, AWholeDatabasePassesTheSchemaCheck) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const ChatDatabase database(chatDbPath());
    EXPECT_TRUE(database.isReadable());
    EXPECT_NO_THROW(database.verifySchema());
}

TEST_F(ChatDatabaseTest, EachMissingRequiredColumnIsNamed) {
    for (const auto& [table, columns] : ChatDatabase::required) {
        for (const auto& column : columns) {
            const auto file = folder / (table + "-" + column + ".db");
            MessagesDatabaseFixture fixture(file, {.withoutColumns = {{table, {column}}}});
            const Failure failure = failureOf([&] { ChatDatabase(file).verifySchema(); });
            EXPECT_EQ(failure.kind(), Failure::Kind::schemaChanged);
            EXPECT_EQ(failure.text(), "`" + table + "` has no `" + column + "`");
        }
    }
}

TEST_F(ChatDatabaseTest, SeveralMissingColumnsAreSortedAndAMissingTableIsNamed) {
    MessagesDatabaseFixture twoGone(chatDbPath(), {.withoutColumns = {{"message", {"text", "attributedBody"}}}});
    EXPECT_EQ(failureOf([&] { ChatDatabase(chatDbPath()).verifySchema(); }).description(),
              "The Messages database is not the shape Tarvo knows how to read: `message` has no `attributedBody`, "
              "`text`");

    const auto file = folder / "no-join.db";
    MessagesDatabaseFixture noJoin(file, {.withoutTables = {"chat_handle_join"}});
    EXPECT_EQ(failureOf([&] { ChatDatabase(file).verifySchema(); }).text(),
              "the table `chat_handle_join` is missing entirely");
}

TEST_F(ChatDatabaseTest, MissingPathIsNotFoundAndNothingIsCreated) {
    const ChatDatabase database(chatDbPath());
    EXPECT_FALSE(database.isReadable());
    EXPECT_FALSE(std::filesystem::exists(chatDbPath()));
    EXPECT_EQ(failureOf([&] { database.verifySchema(); }).description(),
              "No Messages database at " + chatDbPath().string() + ".");
    EXPECT_EQ(failureOf([&] { database.outboundSends(ChatDatabase::appleEpoch, 10); }),
              Failure::notFound(chatDbPath()));
    EXPECT_FALSE(std::filesystem::exists(chatDbPath()));
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, ADirectoryOrAFileThatIsNoDatabaseCannotBeRead) {
    std::filesystem::create_directory(chatDbPath());
    const auto text = folder / "notes.txt";
    write(text, std::string(8192, 'n'));
    {
        const ChatDatabase directory(chatDbPath());
        EXPECT_FALSE(directory.isReadable());
        EXPECT_EQ(failureOf([&] { directory.verifySchema(); }), Failure::permissionDenied(chatDbPath()));
        EXPECT_EQ(failureOf([&] { directory.replyAddress("+1"); }), Failure::permissionDenied(chatDbPath()));

        const ChatDatabase notADatabase(text);
        EXPECT_FALSE(notADatabase.isReadable());
        EXPECT_EQ(failureOf([&] { notADatabase.verifySchema(); }).description(),
                  "Reading the Messages database failed: file is not a database");
        EXPECT_EQ(failureOf([&] { notADatabase.replyAddress("+1"); }).description(),
                  "Reading the Messages database failed: file is not a database");
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, ADamagedDatabaseFailsInsteadOfReadingAsNothingNew) {
    makeDamagedDatabase();
    {
        const ChatDatabase database(chatDbPath());
        EXPECT_NO_THROW(database.verifySchema());
        EXPECT_EQ(failureOf([&] { database.outboundSends(ChatDatabase::appleEpoch, 10); }).description(),
                  "Reading the Messages database failed: database disk image is malformed");
    }
    EXPECT_TRUE(leftoverCopies().empty());
}

TEST_F(ChatDatabaseTest, AppleTimeValues) {
    using std::chrono::nanoseconds;
    using std::chrono::seconds;
    struct Case {
        std::int64_t raw;
        ChatDatabase::Date date;
    };
    const auto epoch = ChatDatabase::appleEpoch;
    for (const Case& c : std::initializer_list<Case>{
             {0, epoch},
             {-86400, epoch - 24h},
             {4000000000, epoch + seconds(4000000000)},
             {1000000000001, epoch + nanoseconds(1000000000001)},
             {786000000123456789, epoch + seconds(786000000) + nanoseconds(123456789)},
         }) {
        EXPECT_EQ(ChatDatabase::appleTimeToDate(c.raw), c.date) << c.raw;
    }
    EXPECT_EQ(std::chrono::system_clock::to_time_t(epoch), 978307200);
    EXPECT_EQ(ChatDatabase::appleSeconds(epoch + 1500ms), 1);
    EXPECT_EQ(ChatDatabase::appleSeconds(epoch - 1500ms), -1);
    // The threshold itself still counts seconds: beyond what a date holds, so it stays at the
    // far end instead of wrapping around, as other nonsense values do.
    EXPECT_GT(ChatDatabase::appleTimeToDate(1000000000000), epoch + std::chrono::years(200));
    EXPECT_GT(ChatDatabase::appleTimeToDate(INT64_MAX), epoch);
    EXPECT_LT(ChatDatabase::appleTimeToDate(INT64_MIN), epoch);
}
