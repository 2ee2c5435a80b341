#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The committed transactions of a live SQLite "-wal" log, followed frame by frame as SQLite
// follows them when it recovers a log, and written into a database file of one's own: a copy
// of the database file is brought forward by the pages the writer committed and nothing else.
class LogReplay {
public:
    // How far one generation of a log has been taken: the log's header, the frames up to the
    // last commit taken, and the running checksum after it.
    struct Position {
        std::string header;
        std::int64_t frames = 0;
        std::array<std::uint32_t, 2> sums{};
        bool operator==(const Position&) const = default;
    };

    // What stopped a walk past its last whole transaction.
    enum class Stop { endOfLog, otherGeneration, brokenFrame };

    struct Walk {
        // After the last commit frame that chains on; `from` itself when there is none.
        Position end;
        // The database's size in pages after that commit.
        std::int64_t databasePages = 0;
        Stop stop = Stop::endOfLog;
        // The salts of the frame that stopped the walk.
        std::string stoppingSalts;
    };

    // The start of a log whose first bytes are `header`: nothing when they are no log header.
    static std::optional<Position> start(std::string_view header);

    // Follows the frames of `log` after `from` as far as they chain on from it, reading those
    // frames and no others.
    static Walk walk(const FileDescriptor& log, const Position& from);

    // Writes the pages of the frames from `from` to the end of `walk` into `database`, in the
    // log's order, and gives it the size their last commit gave the database. False when the
    // frames are no longer those the walk followed (the log started over meanwhile): `database`
    // may then hold anything.
    static bool write(const FileDescriptor& log, const Position& from, const Walk& walk,
                      const FileDescriptor& database);

    // Where the frames of `position`'s log up to it end in the log file.
    static std::int64_t endOffset(const Position& position);
    static std::uint32_t pageSize(const Position& position);
    // Each restart of a log counts one up.
    static std::uint32_t checkpointSequence(const Position& position);
    static std::string_view salts(const Position& position);

private:
    static std::optional<Stop> follow(const Position& from, std::string_view frame, std::array<std::uint32_t, 2>& sums);
};

} // namespace tarvo
