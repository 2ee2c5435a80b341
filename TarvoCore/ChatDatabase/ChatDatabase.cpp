#include "TarvoCore/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>
#include <system_error>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "TarvoBase/Uuid.h"
#include "TarvoCore/ChatDatabase/CloneFile.h"
#include "TarvoCore/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// The tables in the order they are checked, so the same database always reports the same gap.
constexpr std::string_view checkedTables[] = {"message", "chat", "handle", "chat_message_join", "chat_handle_join"};

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

std::string backticked(const ChatDatabase::ColumnSet& names) {
    std::string out;
    for (const auto& name : names) {
        if (!out.empty()) out += ", ";
        out += "`" + name + "`";
    }
    return out;
}

// The copy holds the user's conversations, so only the user may enter its folder.
void makePrivateFolder(const fs::path& folder) {
    fs::create_directories(folder.parent_path());
    if (!fs::create_directory(folder)) {
        throw fs::filesystem_error("the folder for a copy of the Messages database exists already", folder,
                                   std::make_error_code(std::errc::file_exists));
    }
    fs::permissions(folder, fs::perms::owner_all);
}

} // namespace

std::string ChatDatabase::homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string ChatDatabase::defaultPath() { return (fs::path(homeFolder()) / "Library/Messages/chat.db").string(); }

bool ChatDatabase::isReadable() const {
    auto connection = SqliteConnection::open(path_, SqliteConnection::Mode::readOnly);
    if (!connection) return false;
    try {
        return connection->prepare("select count(*) from sqlite_master").step();
    } catch (const SqliteError&) {
        return false;
    }
}

SqliteConnection ChatDatabase::open() const {
    if (!fileExists(path_)) throw Failure::notFound(path_);
    auto connection = SqliteConnection::open(path_, SqliteConnection::Mode::readOnly);
    if (!connection) throw Failure::permissionDenied(path_);
    return std::move(*connection);
}

void ChatDatabase::verifySchema() const {
    const SqliteConnection connection = open();
    for (std::string_view table : checkedTables) {
        requireColumns(table, columns(connection, table), required.at(std::string(table)));
    }
}

ChatDatabaseClone ChatDatabase::openFreshClone() const {
    if (!fileExists(path_)) throw Failure::notFound(path_);
    ChatDatabaseClone clone(fs::temp_directory_path() / ("tarvo-chatdb-" + Uuid::random().uppercased()));
    makePrivateFolder(clone.folder());
    const fs::path copy = clone.folder() / fs::path(path_).filename();
    try {
        cloneFile(path_, copy);
    } catch (const fs::filesystem_error&) {
        throw Failure::permissionDenied(path_);
    }
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::string companion = path_ + suffix;
        if (!fileExists(companion)) continue;
        try {
            cloneFile(companion, copy.string() + suffix);
        } catch (const fs::filesystem_error&) {
            // Without its log the copy still opens; it only lacks the newest rows, which a
            // later reading sees.
        }
    }
    auto connection = SqliteConnection::open(copy.string(), SqliteConnection::Mode::readWrite);
    if (!connection) throw Failure::permissionDenied(path_);
    clone.adopt(std::move(*connection));
    return clone;
}

ChatDatabase::ColumnSet ChatDatabase::columns(const SqliteConnection& connection, std::string_view table) {
    try {
        SqliteStatement statement = connection.prepare(fmt::format("pragma table_info({})", table));
        ColumnSet names;
        while (statement.step()) {
            if (auto name = statement.text(1)) names.insert(std::move(*name));
        }
        return names;
    } catch (const SqliteError& error) {
        throw Failure::query(error.description());
    }
}

void ChatDatabase::requireColumns(std::string_view table, const ColumnSet& present, const ColumnSet& needed) {
    if (present.empty()) throw Failure::schemaChanged(fmt::format("the table `{}` is missing entirely", table));
    const ColumnSet gaps = missing(needed, present);
    if (!gaps.empty()) throw Failure::schemaChanged(fmt::format("`{}` has no {}", table, backticked(gaps)));
}

ChatDatabase::ColumnSet ChatDatabase::missing(const ColumnSet& needed, const ColumnSet& present) {
    ColumnSet gaps;
    std::set_difference(needed.begin(), needed.end(), present.begin(), present.end(), std::inserter(gaps, gaps.end()));
    return gaps;
}

std::string ChatDatabase::unobservableReason(const ColumnSet& missingColumns, std::string_view tail) {
    return fmt::format("this Messages database has no {} column, {}", fmt::join(missingColumns, ", "), tail);
}

ChatDatabase::Date ChatDatabase::appleTimeToDate(std::int64_t raw) {
    using std::chrono::nanoseconds;
    using std::chrono::seconds;
    // Kept exact in whole nanoseconds, and held inside what a date can represent so that a
    // nonsense value cannot overflow.
    constexpr std::int64_t epochSeconds = 978307200;
    constexpr std::int64_t mostSeconds = std::numeric_limits<std::int64_t>::max() / 1000000000 - epochSeconds - 1;
    constexpr std::int64_t leastSeconds = std::numeric_limits<std::int64_t>::min() / 1000000000 + 1;
    if (raw > nanosecondThreshold) {
        return appleEpoch + nanoseconds(std::min(raw, mostSeconds * 1000000000));
    }
    return appleEpoch + seconds(std::clamp(raw, leastSeconds, mostSeconds));
}

std::int64_t ChatDatabase::appleSeconds(Date date) {
    return std::chrono::duration_cast<std::chrono::seconds>(date - appleEpoch).count();
}

std::string ChatDatabase::dateCondition() {
    return fmt::format("(case when m.date > {}\n"
                       "            then m.date / 1000000000\n"
                       "            else m.date end)",
                       nanosecondThreshold);
}

} // namespace tarvo
