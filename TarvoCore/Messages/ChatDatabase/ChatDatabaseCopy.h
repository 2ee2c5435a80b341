#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabaseClone.h"
#include "TarvoCore/Messages/ChatDatabase/LiveFiles.h"
#include "TarvoCore/Messages/ChatDatabase/LogReplay.h"
#include "TarvoCore/Messages/ChatDatabase/SqliteConnection.h"

namespace tarvo {

// The private copy of one live Messages database on which every reading runs, kept between
// readings and brought up to date at the cost of what changed: nothing when no live file
// changed; the frames the writer added to its "-wal" log since the last reading, their pages
// written into the copy's one database file; and once the writer has started its log over, the
// old log's frames that the copy had not yet taken, where they are still in the file and can be
// told from the new log's. A copy that cannot be brought forward that way is made afresh from
// the live database file, writing only the blocks that differ.
//
// While it copies, it holds a read transaction on the live database, as every reader of it
// does, so that the writer copies nothing back into the database file that the log does not
// hold, and the copy is a committed state however busy the writer. The live files are never
// written, and SQLite opens them only where it makes nothing beside them.
//
// The copy has no log of its own: its header says so, and counts each change for the
// connection kept open on it, which so keeps its statements prepared between readings.
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
    // What the copy's database file holds: the live database as the database file `database`
    // and the log `log` gave it, that log taken up to `position`, or no log at all.
    struct Holding {
        LiveFiles::Mark database;
        LiveFiles::Mark log;
        std::optional<LogReplay::Position> position;
    };

    void bringUpToDate();
    // False when the live files changed, while they were copied, in a way that leaves the copy
    // behind or unsound.
    bool copy();
    // Where in the live log the copy, as it is, goes on: nothing when it must be made afresh.
    static std::optional<LogReplay::Position> goingOn(const std::optional<Holding>& held, const LiveFiles& live,
                                                      const LiveFiles::Marks& now,
                                                      const std::optional<LogReplay::Position>& logStart,
                                                      const FileDescriptor& copy);
    // Takes the old log's frames after the copy's that the log started over as `fresh` still
    // holds, when they can be told apart: the database file holds every frame of the old log
    // now, and the copy must too before it goes on with the new one.
    static bool takesTheRestOfTheOldLog(const FileDescriptor& log, const Holding& held, const LiveFiles::Marks& now,
                                        const LogReplay::Position& fresh, const FileDescriptor& copy);
    // Tells the connection that the copy changed, and forgets the columns when its schema did.
    void markChanged(const FileDescriptor& copy, const LiveFiles::Mark& database);
    std::filesystem::path copyPath() const;
    void makeFolder();
    void forget();

    std::mutex mutex_;
    std::string livePath_;
    std::filesystem::path folder_;
    // What the live files looked like when the copy last matched them.
    std::optional<LiveFiles::Marks> matched_;
    std::optional<Holding> holding_;
    // The live database file and the schema version the kept columns were read from.
    std::string schemaMark_;
    std::uint32_t changes_ = 0;
    std::optional<SqliteConnection> connection_;
    ChatDatabaseClone::Kept kept_;
};

} // namespace tarvo
