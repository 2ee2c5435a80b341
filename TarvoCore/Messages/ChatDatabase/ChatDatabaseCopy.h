#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseClone.h"
#include "TarvoCore/Messages/ChatDatabase/LiveFiles.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// The private copy of one live Messages database on which every reading runs, kept between
// readings and brought up to date at the cost of what changed: nothing when no live file
// changed; the "-wal" log alone while the writer goes on with the same log; reading the
// database file and writing the blocks that differ once the log has started over.
//
// While it copies, it holds a read transaction on the live database, as every reader of it
// does, so that the writer copies nothing back into the database file that the copied log does
// not hold, and the copy is a committed state however busy the writer. The live files are never
// written, and SQLite opens them only where it makes nothing beside them.
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

    // Where copies are made from now on: a folder of the program's own, so that a start can find
    // what a program that was killed left (a whole copy of the database each). Until this is
    // called, the temporary folder.
    static void keepCopiesIn(std::filesystem::path folder);
    // Removes every copy in `folder`, for a start that knows no other program holds one there.
    // Answers how many it removed; never throws.
    static int removeCopiesIn(const std::filesystem::path& folder);

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
    // False when the live files changed, while they were copied, in a way that leaves the copy
    // unsound.
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
