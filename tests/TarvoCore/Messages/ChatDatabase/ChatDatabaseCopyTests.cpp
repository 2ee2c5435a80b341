#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fmt/format.h>

#include "ChatDatabaseTest.h"
#include "TarvoBase/FileDescriptor.h"

using tarvo::ChatDatabase;
using tarvo::FileDescriptor;
using tarvo::testing::ChatDatabaseTest;
using tarvo::testing::MessagesDatabaseFixture;
namespace fs = std::filesystem;

extern char** environ;

namespace {

constexpr std::int64_t t = 780000000;
// Where the index of a database in WAL mode keeps its readers' marks.
constexpr std::size_t readerMarksStart = 100;
constexpr std::size_t readerMarksEnd = 120;

const auto at = tarvo::testing::appleDate;

std::vector<std::string> guids(const ChatDatabase::MessageBatch& batch) {
    std::vector<std::string> out;
    for (const auto& message : batch.messages) out.push_back(message.guid);
    return out;
}

// Every file in `folder` with its bytes.
std::map<std::string, std::string> filesIn(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename()] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    return files;
}

// Where two versions of a file differ, as ranges of byte offsets.
std::string differences(const std::string& a, const std::string& b) {
    std::string out;
    if (a.size() != b.size()) out += "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + "; ";
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] == b[i]) continue;
        std::size_t end = i;
        while (end < std::min(a.size(), b.size()) && a[end] != b[end]) ++end;
        out += std::to_string(i) + "-" + std::to_string(end) + " ";
        i = end;
    }
    return out;
}

// The writer process, its standard input and output on pipes; closing the input tells it to
// stop.
class Writer {
public:
    explicit Writer(const fs::path& database) {
        int input[2];
        int output[2];
        if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        input_.reset(input[1]);
        output_.reset(output[0]);
        const FileDescriptor childInput(input[0]);
        const FileDescriptor childOutput(output[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, childInput.get(), STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, childOutput.get(), STDOUT_FILENO);
        std::string program = TARVO_MESSAGES_WRITER;
        std::string path = database.string();
        char* arguments[] = {program.data(), path.data(), nullptr};
        const int failed = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, arguments, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) throw std::runtime_error("cannot start " + program);
    }
    ~Writer() {
        if (pid_ > 0) finish();
    }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // Stops the writer and answers how many transactions it committed.
    long finish() {
        input_.reset();
        std::string printed;
        char buffer[64];
        for (ssize_t got; (got = ::read(output_.get(), buffer, sizeof buffer)) > 0;) printed.append(buffer, got);
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || printed.empty()) return -1;
        return std::stol(printed);
    }

private:
    pid_t pid_ = -1;
    FileDescriptor input_;
    FileDescriptor output_;
};

// Checks that a reading holds the writer's next transactions, whole and in order, and moves on.
class WriterLedger {
public:
    void take(const ChatDatabase::MessageBatch& batch) {
        for (std::size_t i = 0; i < batch.messages.size(); ++i) {
            const long n = committed_ + 1 + static_cast<long>(i / 2);
            const std::string expected = "w" + std::to_string(n) + (i % 2 == 0 ? "a" : "b");
            ASSERT_EQ(batch.messages[i].guid, expected) << "reading " << readings_;
        }
        ASSERT_EQ(batch.messages.size() % 2, 0u) << "half a transaction in reading " << readings_;
        committed_ += static_cast<long>(batch.messages.size() / 2);
        if (!batch.messages.empty()) after_ = batch.messages.back().date;
        ++readings_;
    }

    ChatDatabase::Date after() const { return after_; }
    long committed() const { return committed_; }

private:
    long committed_ = 0;
    long readings_ = 0;
    ChatDatabase::Date after_ = at(0);
};

} // namespace

TEST_F(ChatDatabaseTest, ReadingsUnderABusyWriterInAnotherProcessHoldWholeTransactionsInOrder) {
    {
        MessagesDatabaseFixture fixture(chatDbPath());
        fixture.addChat({.chatIdentifier = "+15550001"});
    }
    Writer writer(chatDbPath());
    const ChatDatabase database(chatDbPath());
    WriterLedger ledger;
    while (ledger.committed() == 0) ASSERT_NO_FATAL_FAILURE(ledger.take(database.messages(ledger.after(), 100000)));
    for (int reading = 0; reading < 300; ++reading) {
        ASSERT_NO_FATAL_FAILURE(ledger.take(database.messages(ledger.after(), 100000)));
    }
    const long committed = writer.finish();
    ASSERT_NO_FATAL_FAILURE(ledger.take(database.messages(ledger.after(), 100000)));
    EXPECT_GT(committed, 0);
    EXPECT_EQ(ledger.committed(), committed);
}

TEST_F(ChatDatabaseTest, EachChangeOfTheLiveFilesReachesTheNextReading) {
    struct Case {
        const char* name;
        const char* afterTheFirstReading;
    };
    const Case cases[] = {
        {"the log grows", ""},
        {"part of the log is copied back", "pragma wal_checkpoint(passive)"},
        {"the log starts over in place", "pragma wal_checkpoint(restart)"},
        {"the log is emptied", "pragma wal_checkpoint(truncate)"},
        {"the log goes and the database is written in place", "pragma journal_mode = delete"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder / ("changes" + std::to_string(n++) + ".db");
        MessagesDatabaseFixture fixture(file);
        const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
        const auto add = [&](const std::string& guid, std::int64_t date) {
            fixture.addMessage({.guid = guid, .chat = chat, .date = date, .text = guid});
        };
        const ChatDatabase database(file);
        add("r1", t + 1);
        EXPECT_EQ(guids(database.messages(at(0), 500)), (std::vector<std::string>{"r1"}));
        fixture.execute(c.afterTheFirstReading);
        EXPECT_EQ(guids(database.messages(at(0), 500)), (std::vector<std::string>{"r1"}));
        add("r2", (t + 2) * 1000000000);
        EXPECT_EQ(guids(database.messages(at(0), 500)), (std::vector<std::string>{"r1", "r2"}));
        add("r3", (t + 3) * 1000000000);
        EXPECT_EQ(guids(database.messages(at(t + 1), 500)), (std::vector<std::string>{"r2", "r3"}));
    }
}

// The writer starts its log over in place once the database file holds all of it; what the
// reading before did not see is then only in the database file, or behind the new log's frames.
TEST_F(ChatDatabaseTest, AReadingAfterTheLogStartedOverHoldsEveryCommitTheReadingBeforeDidNotSee) {
    struct Case {
        const char* name;
        // Commits in the first log, then between the readings before and after the restart.
        int first;
        int seen;
        int unseen;
        const char* limit;
        const char* checkpoint;
    };
    const Case cases[] = {
        {"an older log's frames follow the old one's", 60, 5, 8, "", "restart"},
        {"the old log ends the file", 0, 5, 8, "", "restart"},
        {"the old log was cut to a size limit", 60, 5, 8, "pragma journal_size_limit = 30000", "restart"},
        // 32 bytes of header and 7 frames of a 4096-byte page: the cut leaves whole frames.
        {"the old log was cut to a size limit of whole frames", 60, 5, 8, "pragma journal_size_limit = 28872",
         "restart"},
        {"the log was emptied", 60, 5, 8, "", "truncate"},
        {"nothing was committed unseen", 60, 5, 0, "", "restart"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = folder / ("restart" + std::to_string(n++) + ".db");
        MessagesDatabaseFixture fixture(file);
        const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
        fixture.execute(c.limit);
        std::vector<std::string> expected;
        int date = 1;
        const auto add = [&](int count) {
            for (int i = 0; i < count; ++i, ++date) {
                const std::string guid = "r" + std::to_string(date);
                fixture.addMessage({.guid = guid, .chat = chat, .date = t + date, .text = guid});
                expected.push_back(guid);
            }
        };
        const ChatDatabase database(file);
        if (c.first > 0) {
            add(c.first);
            fixture.execute("pragma wal_checkpoint(restart)");
        }
        add(c.seen);
        EXPECT_EQ(guids(database.messages(at(0), 5000)), expected);
        add(c.unseen);
        fixture.execute(fmt::format("pragma wal_checkpoint({})", c.checkpoint));
        add(2);
        EXPECT_EQ(guids(database.messages(at(0), 5000)), expected);
        add(1);
        EXPECT_EQ(guids(database.messages(at(0), 5000)), expected);
    }
}

TEST_F(ChatDatabaseTest, ReadingLeavesTheLiveFilesAsTheyWereAndMakesNoneBesideThem) {
    const auto readEverything = [this] {
        const ChatDatabase database(chatDbPath());
        EXPECT_TRUE(database.isReadable());
        database.verifySchema();
        EXPECT_EQ(guids(database.messages(at(0), 500)), (std::vector<std::string>{"m1", "m2"}));
        EXPECT_EQ(database.outboundSends(at(0), 10).value().size(), 1u);
        EXPECT_EQ(database.replyAddress("+15550001").guid, "iMessage;-;+15550001");
    };
    {
        MessagesDatabaseFixture fixture(chatDbPath());
        const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
        fixture.addMessage({.guid = "m1", .chat = chat, .date = t, .text = "in the database", .isFromMe = true});
        fixture.execute("pragma wal_checkpoint(truncate)");
        fixture.addMessage({.guid = "m2", .chat = chat, .date = t + 1, .text = "in the log"});
        const auto before = filesIn(folder.path());
        ASSERT_EQ(before.size(), 3u);
        readEverything();
        auto after = filesIn(folder.path());
        EXPECT_EQ(differences(before.at("chat.db"), after.at("chat.db")), "");
        EXPECT_EQ(differences(before.at("chat.db-wal"), after.at("chat.db-wal")), "");
        // A reader holding a snapshot marks which one in the index, as every reader of the
        // database does; nothing else there changes.
        std::string index = after.at("chat.db-shm");
        ASSERT_GE(index.size(), readerMarksEnd);
        index.replace(readerMarksStart, readerMarksEnd - readerMarksStart,
                      before.at("chat.db-shm").substr(readerMarksStart, readerMarksEnd - readerMarksStart));
        EXPECT_EQ(differences(before.at("chat.db-shm"), index), "");
        EXPECT_EQ(after.size(), before.size());
    }
    // Closed by its last writer, the database is alone; reading it must not change that.
    const auto alone = filesIn(folder.path());
    ASSERT_EQ(alone.size(), 1u);
    readEverything();
    EXPECT_EQ(filesIn(folder.path()), alone);
}

TEST_F(ChatDatabaseTest, TheCopyIsPrivateSharedByTheReadersOfOneDatabaseAndGoesWithTheLast) {
    MessagesDatabaseFixture fixture(chatDbPath());
    const auto chat = fixture.addChat({.chatIdentifier = "+15550001"});
    fixture.addMessage({.guid = "m1", .chat = chat, .date = t, .text = "hi"});
    {
        const ChatDatabase database(chatDbPath());
        {
            const ChatDatabase sharing = database;
            const ChatDatabase samePath(chatDbPath());
            sharing.verifySchema();
            samePath.outboundSends(at(0), 10);
            database.messages(at(0), 500);
            const auto copies = leftoverCopies();
            ASSERT_EQ(copies.size(), 1u);
            const fs::path copy = temporary / copies[0];
            EXPECT_EQ(fs::status(copy).permissions(), fs::perms::owner_all);
            int files = 0;
            for (const auto& entry : fs::directory_iterator(copy)) {
                ++files;
                EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write)
                    << entry.path();
            }
            // The database file alone: the copy keeps no log of its own.
            EXPECT_EQ(files, 1);
        }
        EXPECT_EQ(leftoverCopies().size(), 1u);
    }
    EXPECT_TRUE(leftoverCopies().empty());
}
