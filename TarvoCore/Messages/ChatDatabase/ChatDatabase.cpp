#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <limits>
#include <mutex>
#include <system_error>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// The tables in the order they are checked, so the same database always reports the same gap.
constexpr std::string_view checkedTables[] = {"message", "chat", "handle", "chat_message_join", "chat_handle_join"};

std::string backticked(const ChatDatabase::ColumnSet& names) {
    std::string out;
    for (const auto& name : names) {
        if (!out.empty()) out += ", ";
        out += "`" + name + "`";
    }
    return out;
}

std::mutex& homeFoldersMutex() {
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<const HomeFolders>& installedHomeFolders() {
    static std::shared_ptr<const HomeFolders> folders;
    return folders;
}

} // namespace

std::string ChatDatabase::homeFolder() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

std::string ChatDatabase::defaultPath() { return (fs::path(homeFolder()) / "Library/Messages/chat.db").string(); }

void ChatDatabase::useHomeFolders(std::shared_ptr<const HomeFolders> folders) {
    std::lock_guard lock(homeFoldersMutex());
    installedHomeFolders() = std::move(folders);
}

std::optional<std::string> ChatDatabase::homeFolderOf(const std::string& user) {
    std::shared_ptr<const HomeFolders> folders;
    {
        std::lock_guard lock(homeFoldersMutex());
        folders = installedHomeFolders();
    }
    return folders ? folders->homeFolder(user) : std::nullopt;
}

// Opened as immutable, SQLite neither takes locks on the live file nor makes a log or an index
// beside it, as any other opening of a database in WAL mode would.
bool ChatDatabase::isReadable() const {
    auto connection = SqliteConnection::open(path_, SqliteConnection::Mode::immutable);
    if (!connection) return false;
    try {
        return connection->prepare("select count(*) from sqlite_master").step();
    } catch (const SqliteError&) {
        return false;
    }
}

void ChatDatabase::verifySchema() const {
    const ChatDatabaseClone clone = openFreshClone();
    requireSchema(clone);
}

void ChatDatabase::requireSchema(const ChatDatabaseClone& copy) {
    for (std::string_view table : checkedTables) {
        requireColumns(table, columns(copy, table), required.at(std::string(table)));
    }
}

ChatDatabaseClone ChatDatabase::openFreshClone() const { return copy_->lend(); }

const ChatDatabase::ColumnSet& ChatDatabase::columns(const ChatDatabaseClone& copy, std::string_view table) {
    auto& known = copy.knownColumns();
    if (const auto found = known.find(table); found != known.end()) return found->second;
    try {
        SqliteStatement statement = copy.connection().prepare(fmt::format("pragma table_info({})", table));
        ColumnSet names;
        while (statement.step()) {
            if (auto name = statement.text(1)) names.insert(std::move(*name));
        }
        return known.emplace(std::string(table), std::move(names)).first->second;
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

ChatDatabase::DateRanges ChatDatabase::dateRanges(std::string_view comparison, std::string_view column) {
    // A value in nanoseconds lies in a later whole second from the first nanosecond of that
    // second on; the bound is computed by SQLite, which turns an overflowing product into a real.
    const std::string_view firstSecond = comparison == ">" ? "(?1 + 1)" : "?1";
    return {fmt::format("{} {} ?1 and {} <= {}", column, comparison, column, nanosecondThreshold),
            fmt::format("{} >= max({} * 1000000000, {})", column, firstSecond, nanosecondThreshold + 1)};
}

std::string ChatDatabase::datedFromCondition() {
    const DateRanges dates = dateRanges(">=", "r.date");
    return fmt::format("m.ROWID in (select r.ROWID from message r where {}\n"
                       "                union all\n"
                       "                select r.ROWID from message r where {})",
                       dates.seconds, dates.nanoseconds);
}

} // namespace tarvo
