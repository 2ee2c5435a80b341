#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseCopy.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Uuid.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseFailure.h"
#include "TarvoCore/Messages/ChatDatabase/CloneFile.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteError.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

// A copy is spoilt only when the live files are replaced while they are read or, without a
// snapshot held, when the writer starts its log over meanwhile: neither happens this often in a
// row.
constexpr int attempts = 8;

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

// The database header's bytes that tell SQLite a log goes with the file, that its pages
// changed, and which version of the schema it holds.
constexpr std::size_t headerSize = 100;
constexpr std::size_t writeVersionAt = 18;
constexpr std::size_t changeCounterAt = 24;
constexpr std::size_t schemaCookieAt = 40;
constexpr std::size_t validForAt = 92;
constexpr char withoutLog = 1;

std::uint32_t bigEndian(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

void putBigEndian(char* bytes, std::uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 8) bytes[i] = static_cast<char>(value & 0xff);
}

std::int64_t sizeOf(const FileDescriptor& file) {
    struct stat status {};
    return ::fstat(file.get(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

FileDescriptor openForWriting(const fs::path& file) {
    std::error_code failed;
    if (!fs::exists(file, failed)) return {};
    return FileCalls::open(file, O_RDWR);
}

// A read transaction on the live database, held for as long as the connection lives, as any
// reader of the database holds one. While it is held the writer copies back into the database
// file no frame of the log later than the snapshot, nor any frame at all when the snapshot lies
// wholly in the database file; and it starts the log over only in that second case. Opened only
// where the log and the index exist, since SQLite would make them beside the database otherwise.
std::optional<SqliteConnection> heldSnapshot(const LiveFiles& live) {
    if (!live.log().isOpen() || !live.index().isOpen()) return std::nullopt;
    auto connection = SqliteConnection::open(live.databasePath(), SqliteConnection::Mode::readOnly);
    if (!connection) return std::nullopt;
    try {
        // The schema version is read at the start of the transaction without reading the schema.
        connection->execute("begin");
        connection->prepare("pragma schema_version").step();
    } catch (const SqliteError&) {
        return std::nullopt;
    }
    return connection;
}

} // namespace

std::shared_ptr<ChatDatabaseCopy> ChatDatabaseCopy::of(const std::string& livePath) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<ChatDatabaseCopy>> copies;
    std::lock_guard lock(mutex);
    std::erase_if(copies, [](const auto& entry) { return entry.second.expired(); });
    std::weak_ptr<ChatDatabaseCopy>& held = copies[livePath];
    std::shared_ptr<ChatDatabaseCopy> copy = held.lock();
    if (!copy) {
        copy = std::make_shared<ChatDatabaseCopy>(livePath);
        held = copy;
    }
    return copy;
}

ChatDatabaseCopy::~ChatDatabaseCopy() {
    forget();
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

ChatDatabaseClone ChatDatabaseCopy::lend() {
    std::unique_lock hold(mutex_);
    bringUpToDate();
    return ChatDatabaseClone(std::move(hold), *connection_, kept_);
}

void ChatDatabaseCopy::bringUpToDate() {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!fileExists(livePath_)) {
            forget();
            throw ChatDatabaseFailure::notFound(livePath_);
        }
        if (connection_ && matched_ == LiveFiles(livePath_).marks()) return;
        try {
            if (copy()) return;
        } catch (...) {
            forget();
            throw;
        }
    }
    forget();
    throw ChatDatabaseFailure::query("the database kept changing while it was copied");
}

bool ChatDatabaseCopy::copy() {
    if (folder_.empty()) makeFolder();
    const fs::path database = copyPath();
    // No reading of the copy is under way once its statements are reset, so it may be written.
    kept_.resetStatements();
    matched_.reset();
    // Unsound until it is written through.
    std::optional<Holding> held = std::exchange(holding_, std::nullopt);

    const LiveFiles live(livePath_);
    const std::optional<SqliteConnection> snapshot = heldSnapshot(live);
    const LiveFiles::Marks before = live.marks();
    const std::optional<LogReplay::Position> logStart = LogReplay::start(before.logGeneration());
    FileDescriptor target = openForWriting(database);
    std::optional<LogReplay::Position> from = goingOn(held, live, before, logStart, target);
    const bool unchanged = !logStart && held && !held->position && target.isOpen() && before.database == held->database;
    const bool afresh = !from && !unchanged;
    if (afresh) {
        try {
            refreshFile(live.database(), livePath_, database);
        } catch (const fs::filesystem_error&) {
            throw ChatDatabaseFailure::permissionDenied(livePath_);
        }
        target = openForWriting(database);
        from = logStart;
    }
    std::optional<LogReplay::Position> taken;
    if (from) {
        const LogReplay::Walk walk = LogReplay::walk(live.log(), *from);
        if (!LogReplay::write(live.log(), *from, walk, target)) return false;
        taken = walk.end;
    }

    const LiveFiles::Marks after = live.marks();
    const bool logStartedOver = after.logGeneration() != before.logGeneration();
    // The database file read while the writer copied the log back into it, without a snapshot
    // or with one the writer no longer kept to, is no state of the database.
    if (afresh && (logStartedOver || !live.areStillInPlace() ||
                   (!snapshot && !logStart && after.database != before.database))) {
        return false;
    }
    markChanged(target, before.database);
    holding_ = Holding{.database = before.database, .log = before.log, .position = taken};
    // What was taken is sound, but the log went on elsewhere: take that too before reading.
    if (logStartedOver || !live.areStillInPlace()) return false;

    if (!connection_) {
        auto connection = SqliteConnection::open(database.string(), SqliteConnection::Mode::readOnly);
        if (!connection) throw ChatDatabaseFailure::permissionDenied(livePath_);
        connection_.emplace(std::move(*connection));
    }
    matched_ = before;
    return true;
}

std::optional<LogReplay::Position> ChatDatabaseCopy::goingOn(const std::optional<Holding>& held, const LiveFiles& live,
                                                             const LiveFiles::Marks& now,
                                                             const std::optional<LogReplay::Position>& logStart,
                                                             const FileDescriptor& copy) {
    if (!held || !copy.isOpen() || !logStart || !now.database.isSameFile(held->database)) return std::nullopt;
    // A log begun on a database file that no log had changed since the copy was taken from it.
    if (!held->position) return now.database == held->database ? logStart : std::nullopt;
    if (!now.log.isSameFile(held->log)) return std::nullopt;
    if (held->position->header == logStart->header) return held->position;
    if (takesTheRestOfTheOldLog(live.log(), *held, now, *logStart, copy)) return logStart;
    return std::nullopt;
}

// The writer starts its log over only once the database file holds all of it, and then writes
// the new log from the file's start: the old log's later frames stay behind the new ones until
// they are written over or the file is cut. They are the old log's last frames when an older
// log's frame follows them. At the file's end they are too unless the file was cut: the writer
// cuts it only to empty it or to a size limit of its own, which leaves the file shorter than the
// log it held, a frame cut in two, or the database file a size the copy is not.
bool ChatDatabaseCopy::takesTheRestOfTheOldLog(const FileDescriptor& log, const Holding& held,
                                               const LiveFiles::Marks& now, const LogReplay::Position& fresh,
                                               const FileDescriptor& copy) {
    const LogReplay::Position& taken = *held.position;
    if (LogReplay::checkpointSequence(fresh) != LogReplay::checkpointSequence(taken) + 1 ||
        LogReplay::pageSize(fresh) != LogReplay::pageSize(taken)) {
        return false;
    }
    const LogReplay::Walk walk = LogReplay::walk(log, taken);
    const bool olderLogFollows =
        walk.stop == LogReplay::Stop::otherGeneration && walk.stoppingSalts != LogReplay::salts(fresh);
    const bool endsTheFile = walk.stop == LogReplay::Stop::endOfLog && LogReplay::endOffset(walk.end) == now.log.size &&
                             now.log.size >= held.log.size;
    if (!olderLogFollows && !endsTheFile) return false;
    if (!LogReplay::write(log, taken, walk, copy)) return false;
    return olderLogFollows || sizeOf(copy) == now.database.size;
}

void ChatDatabaseCopy::markChanged(const FileDescriptor& copy, const LiveFiles::Mark& database) {
    std::string header(headerSize, '\0');
    if (FileCalls::readAt(copy.get(), header.data(), headerSize, 0) != headerSize) return;
    header[writeVersionAt] = withoutLog;
    header[writeVersionAt + 1] = withoutLog;
    // The size in the header is left unvouched for, so that SQLite takes the file's own.
    std::uint32_t counter = ++changes_;
    if (counter == bigEndian(header.data() + validForAt)) counter = ++changes_;
    putBigEndian(header.data() + changeCounterAt, counter);
    FileCalls::writeAllAt(copy.get(), header, 0);

    const std::string schema = std::to_string(database.device) + ":" + std::to_string(database.inode) + ":" +
                               header.substr(schemaCookieAt, 4);
    if (schema != schemaMark_) {
        kept_.columns.clear();
        schemaMark_ = schema;
    }
}

fs::path ChatDatabaseCopy::copyPath() const { return folder_ / fs::path(livePath_).filename(); }

namespace {

constexpr std::string_view copyPrefix = "tarvo-chatdb-";

std::mutex copiesFolderLock;
std::optional<fs::path> copiesFolder;

fs::path folderForCopies() {
    const std::lock_guard lock(copiesFolderLock);
    return copiesFolder.value_or(fs::temp_directory_path());
}

} // namespace

void ChatDatabaseCopy::keepCopiesIn(fs::path folder) {
    const std::lock_guard lock(copiesFolderLock);
    copiesFolder = std::move(folder);
}

int ChatDatabaseCopy::removeCopiesIn(const fs::path& folder) {
    int removed = 0;
    std::error_code failed;
    for (const auto& entry : fs::directory_iterator(folder, failed)) {
        if (!entry.path().filename().string().starts_with(copyPrefix)) continue;
        std::error_code ignored;
        if (fs::remove_all(entry.path(), ignored) > 0 && !ignored) ++removed;
    }
    return removed;
}

// The copy holds the user's conversations, so only the user may enter its folder.
void ChatDatabaseCopy::makeFolder() {
    const fs::path folder = folderForCopies() / (std::string(copyPrefix) + Uuid::random().uppercased());
    fs::create_directories(folder.parent_path());
    if (!fs::create_directory(folder)) {
        throw fs::filesystem_error("the folder for a copy of the Messages database exists already", folder,
                                   std::make_error_code(std::errc::file_exists));
    }
    folder_ = folder;
    fs::permissions(folder_, fs::perms::owner_all);
}

void ChatDatabaseCopy::forget() {
    kept_ = {};
    connection_.reset();
    matched_.reset();
    holding_.reset();
    schemaMark_.clear();
}

} // namespace tarvo
