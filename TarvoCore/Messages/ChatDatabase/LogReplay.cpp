#include "TarvoCore/Messages/ChatDatabase/LogReplay.h"

#include <algorithm>
#include <vector>

#include "TarvoBase/FileCalls.h"

namespace tarvo {
namespace {

constexpr std::size_t headerSize = 32;
constexpr std::size_t frameHeaderSize = 24;
constexpr std::uint32_t magic = 0x377f0682;
constexpr std::uint32_t version = 3007000;
// Frames read at once: a walk holds no more of the log than this in memory.
constexpr std::int64_t framesPerRead = 64;

std::uint32_t bigEndian(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) | b[3];
}

std::uint32_t littleEndian(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return (std::uint32_t{b[3]} << 24) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[1]} << 8) | b[0];
}

// SQLite's checksum of a log, carried on from `sums` over `bytes` (a multiple of 8 long), in
// the byte order the log's magic number names.
std::array<std::uint32_t, 2> checksum(bool bigEndianWords, std::string_view bytes, std::array<std::uint32_t, 2> sums) {
    const auto word = bigEndianWords ? bigEndian : littleEndian;
    for (std::size_t at = 0; at + 8 <= bytes.size(); at += 8) {
        sums[0] += word(bytes.data() + at) + sums[1];
        sums[1] += word(bytes.data() + at + 4) + sums[0];
    }
    return sums;
}

bool isBigEndian(const LogReplay::Position& position) { return (bigEndian(position.header.data()) & 1) == 1; }

std::int64_t frameSize(const LogReplay::Position& position) {
    return static_cast<std::int64_t>(frameHeaderSize + LogReplay::pageSize(position));
}

std::int64_t frameOffset(const LogReplay::Position& position, std::int64_t frame) {
    return static_cast<std::int64_t>(headerSize) + (frame - 1) * frameSize(position);
}

// Frames `first` on, as many of `count` as the log holds whole.
std::string framesAt(const FileDescriptor& log, const LogReplay::Position& position, std::int64_t first,
                     std::int64_t count) {
    std::string bytes(static_cast<std::size_t>(count * frameSize(position)), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const std::size_t got = FileCalls::readAt(log.get(), bytes.data() + filled, bytes.size() - filled,
                                                  frameOffset(position, first) + static_cast<std::int64_t>(filled));
        if (got == 0) break;
        filled += got;
    }
    bytes.resize(filled - filled % static_cast<std::size_t>(frameSize(position)));
    return bytes;
}

} // namespace

std::optional<LogReplay::Position> LogReplay::start(std::string_view header) {
    if (header.size() != headerSize) return std::nullopt;
    Position position{.header = std::string(header), .frames = 0, .sums = {}};
    const std::uint32_t size = pageSize(position);
    if ((bigEndian(header.data()) & ~1u) != magic || bigEndian(header.data() + 4) != version) return std::nullopt;
    if (size < 512 || size > 65536 || (size & (size - 1)) != 0) return std::nullopt;
    position.sums = checksum(isBigEndian(position), header.substr(0, 24), {0, 0});
    if (position.sums[0] != bigEndian(header.data() + 24) || position.sums[1] != bigEndian(header.data() + 28)) {
        return std::nullopt;
    }
    return position;
}

// What stops the chain of `from`'s generation at `frame`: nothing when the frame carries it on
// from `sums`, which it moves on.
std::optional<LogReplay::Stop> LogReplay::follow(const Position& from, std::string_view frame, std::array<std::uint32_t, 2>& sums) {
    if (frame.substr(8, 8) != salts(from)) return Stop::otherGeneration;
    const bool bigEndianWords = isBigEndian(from);
    sums = checksum(bigEndianWords, frame.substr(0, 8), sums);
    sums = checksum(bigEndianWords, frame.substr(frameHeaderSize), sums);
    const bool chains = bigEndian(frame.data()) != 0 && sums[0] == bigEndian(frame.data() + 16) &&
                        sums[1] == bigEndian(frame.data() + 20);
    if (!chains) return Stop::brokenFrame;
    return std::nullopt;
}

LogReplay::Walk LogReplay::walk(const FileDescriptor& log, const Position& from) {
    Walk walk{.end = from, .databasePages = 0, .stop = Stop::endOfLog, .stoppingSalts = {}};
    const auto size = static_cast<std::size_t>(frameSize(from));
    std::array<std::uint32_t, 2> sums = from.sums;
    for (std::int64_t next = from.frames + 1;; next += framesPerRead) {
        const std::string frames = framesAt(log, from, next, framesPerRead);
        for (std::size_t at = 0; at < frames.size(); at += size) {
            const std::string_view frame = std::string_view(frames).substr(at, size);
            if (const auto stop = follow(from, frame, sums)) {
                walk.stop = *stop;
                walk.stoppingSalts = std::string(frame.substr(8, 8));
                return walk;
            }
            if (const std::uint32_t pages = bigEndian(frame.data() + 4); pages != 0) {
                walk.end.frames = next + static_cast<std::int64_t>(at / size);
                walk.end.sums = sums;
                walk.databasePages = pages;
            }
        }
        if (frames.size() < static_cast<std::size_t>(framesPerRead) * size) return walk;
    }
}

bool LogReplay::write(const FileDescriptor& log, const Position& from, const Walk& walk,
                      const FileDescriptor& database) {
    if (walk.end.frames <= from.frames) return true;
    const std::uint32_t page = pageSize(from);
    const auto size = static_cast<std::size_t>(frameSize(from));
    std::array<std::uint32_t, 2> sums = from.sums;
    for (std::int64_t next = from.frames + 1; next <= walk.end.frames; next += framesPerRead) {
        const std::int64_t count = std::min(framesPerRead, walk.end.frames - next + 1);
        const std::string frames = framesAt(log, from, next, count);
        if (frames.size() != static_cast<std::size_t>(count) * size) return false;
        for (std::size_t at = 0; at < frames.size(); at += size) {
            const std::string_view frame = std::string_view(frames).substr(at, size);
            if (follow(from, frame, sums)) return false;
            FileCalls::writeAllAt(database.get(), frame.substr(frameHeaderSize), (bigEndian(frame.data()) - 1) * std::int64_t{page});
        }
    }
    if (sums != walk.end.sums) return false;
    FileCalls::truncate(database.get(), walk.databasePages * page);
    return true;
}

std::int64_t LogReplay::endOffset(const Position& position) { return frameOffset(position, position.frames + 1); }

std::uint32_t LogReplay::pageSize(const Position& position) { return bigEndian(position.header.data() + 8); }

std::uint32_t LogReplay::checkpointSequence(const Position& position) {
    return bigEndian(position.header.data() + 12);
}

std::string_view LogReplay::salts(const Position& position) { return std::string_view(position.header).substr(16, 8); }

} // namespace tarvo
