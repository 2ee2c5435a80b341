#pragma once

#include <cstdint>
#include <string>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The files of a live SQLite database (the database, its "-wal" log and its "-shm" index), held
// open for reading: never written, locked or created. They stay open until this goes away,
// because closing any descriptor of a file drops every lock the process holds on it, SQLite's
// included.
class LiveFiles {
public:
    // One file as it looks at one moment.
    struct Mark {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedNanoseconds = 0;
        // The file's first bytes, where SQLite keeps what changes with each write.
        std::string head;

        bool isSameFile(const Mark& other) const {
            return exists == other.exists && device == other.device && inode == other.inode;
        }
        bool operator==(const Mark&) const = default;
    };

    // The three files at one moment. Every commit changes the index's header and every
    // checkpoint the database file, so two looks are equal only when no writer did anything in
    // between.
    struct Marks {
        Mark database;
        Mark log;
        Mark index;

        // The log's header. The writer writes a new one, with new salts, each time it starts the
        // log over, and only once the database file holds everything the old log held. Empty
        // when there is no log with a header: then the database file alone holds the database.
        std::string logGeneration() const;
        bool operator==(const Marks&) const = default;
    };

    // Opens those of the three files that exist.
    explicit LiveFiles(const std::string& databasePath);

    Marks marks() const;
    // Whether each path still names the file that was opened, or still names none.
    bool areStillInPlace() const;

    const std::string& databasePath() const { return databasePath_; }
    const FileDescriptor& database() const { return database_; }
    const FileDescriptor& log() const { return log_; }
    const FileDescriptor& index() const { return index_; }

private:
    std::string databasePath_;
    FileDescriptor database_;
    FileDescriptor log_;
    FileDescriptor index_;
};

} // namespace tarvo
