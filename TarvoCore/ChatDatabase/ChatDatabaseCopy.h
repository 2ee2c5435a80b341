#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "TarvoCore/ChatDatabase/ChatDatabaseClone.h"
#include "TarvoCore/ChatDatabase/LiveFiles.h"
#include "TarvoCore/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// The private copy of one live Messages database on which every reading runs, kept between
// readings and brought up to date at the cost of what changed: nothing when no live file
// changed; the "-wal" log alone while the writer goes on with the same log; the blocks of the
// database file that differ once the log has started over.
//
// The live files are only ever read, never locked, so the copy is checked instead: it is kept
// only when the database file and the log's generation were the same after copying as before.
// Within one generation the writer only appends to the log, and copies back into the database
// file only frames the log still holds, so the copied log, replayed over the copied database,
// gives a committed state even where the database file was caught halfway through such a copy
// back.
//
// The copy lives in a folder of its own that only the user may enter, made at the first
// reading and removed with everything in it when this goes away.
class ChatDatabaseCopy {
public:
    // The one copy of the database at `livePath` in this process, made when there is none.
    // Sharing it keeps readings of one database one at a time: a reading that let go of its
    // descriptors of the live files while another held a snapshot on them would let go of that
    // snapshot too.
    static std::shared_ptr<ChatDatabaseCopy> of(const std::string& livePath);

    explicit ChatDatabaseCopy(std::string livePath) : livePath_(std::move(livePath)) {}
    ~ChatDatabaseCopy();
    ChatDatabaseCopy(const ChatDatabaseCopy&) = delete;
    ChatDatabaseCopy& operator=(const ChatDatabaseCopy&) = delete;

    // Brings the copy up to date and lends its connection, to one reading at a time. Throws
    // `ChatDatabaseFailure` (`notFound`, `permissionDenied`, or `query` when the live files
    // changed under every attempt to copy them) or the file system's error when the folder
    // cannot be made.
    ChatDatabaseClone lend();

private:
    void bringUpToDate();
    // False when the live files changed, while they were read, in a way that would leave the
    // copy unsound; the copy is then left as it was.
    bool copy();
    void makeFolder();
    void forget();

    std::mutex mutex_;
    std::string livePath_;
    std::filesystem::path folder_;
    // What the live files looked like when the copy last matched them.
    std::optional<LiveFiles::Marks> matched_;
    // The log generation under which the database file was last copied.
    std::string databaseGeneration_;
    std::optional<SqliteConnection> connection_;
};

} // namespace tarvo
