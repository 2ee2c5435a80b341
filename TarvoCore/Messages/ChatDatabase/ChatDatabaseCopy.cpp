#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseCopy.h"

#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>

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

void removeFile(const fs::path& file) {
    std::error_code failed;
    fs::remove(file, failed);
    if (failed) throw fs::filesystem_error("cannot remove an old part of the copy", file, failed);
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
    connection_.reset();
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

ChatDatabaseClone ChatDatabaseCopy::lend() {
    std::unique_lock hold(mutex_);
    bringUpToDate();
    return ChatDatabaseClone(std::move(hold), *connection_);
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
    connection_.reset();
    if (folder_.empty()) makeFolder();
    const fs::path database = folder_ / fs::path(livePath_).filename();
    const fs::path log = database.string() + "-wal";
    // SQLite rebuilds the index from the log it finds; an index of an older log would mislead it.
    removeFile(database.string() + "-shm");

    LiveFiles::Marks before;
    {
        const LiveFiles live(livePath_);
        const std::optional<SqliteConnection> snapshot = heldSnapshot(live);
        before = live.marks();
        const std::string generation = before.logGeneration();
        const bool databaseHolds = matched_ && before.database.isSameFile(matched_->database) &&
                                   !generation.empty() && generation == databaseGeneration_;
        matched_.reset();
        const auto copyDatabase = [&] {
            try {
                refreshFile(live.database(), livePath_, database);
            } catch (const fs::filesystem_error&) {
                throw ChatDatabaseFailure::permissionDenied(livePath_);
            }
        };
        if (!databaseHolds) copyDatabase();
        if (generation.empty()) {
            removeFile(log);
        } else {
            try {
                refreshFile(live.log(), livePath_ + "-wal", log);
            } catch (const fs::filesystem_error&) {
                return false;
            }
        }
        const LiveFiles::Marks after = live.marks();
        if (!live.areStillInPlace()) return false;
        const bool logStartedOver = after.logGeneration() != generation;
        if (!snapshot) {
            // Without a snapshot, only a log that went on as it was vouches for the database
            // file; without a log, only a database file that did not change.
            if (logStartedOver || (generation.empty() && after.database != before.database)) return false;
        } else if (logStartedOver) {
            // The writer starts the log over only under a snapshot wholly in the database file,
            // which it then leaves alone: the database file alone is the snapshot, and the base of
            // the new log.
            if (databaseHolds) copyDatabase();
            removeFile(log);
        }
        databaseGeneration_ = after.logGeneration();
    }

    auto connection = SqliteConnection::open(database.string(), SqliteConnection::Mode::readOnly);
    if (!connection) throw ChatDatabaseFailure::permissionDenied(livePath_);
    connection_.emplace(std::move(*connection));
    matched_ = before;
    return true;
}

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
    connection_.reset();
    matched_.reset();
}

} // namespace tarvo
