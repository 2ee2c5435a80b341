#include "TarvoCore/Messages/ChatDatabase/LiveFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarvo {
namespace {

// The database header, the log header, and the index's two copies of its header with the
// count of log frames already copied back into the database.
constexpr std::size_t databaseHeadSize = 100;
constexpr std::size_t logHeadSize = 32;
constexpr std::size_t indexHeadSize = 100;

FileDescriptor openForReading(const std::string& path) {
    return FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
}

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

LiveFiles::Mark markOf(const FileDescriptor& file, std::size_t headSize, bool withTimes = true) {
    struct stat status {};
    if (!file.isOpen() || ::fstat(file.get(), &status) != 0) return {};
    LiveFiles::Mark mark{.exists = true,
                         .device = status.st_dev,
                         .inode = status.st_ino,
                         .size = status.st_size,
                         .modifiedNanoseconds = withTimes ? nanoseconds(status.st_mtim) : 0,
                         .changedNanoseconds = withTimes ? nanoseconds(status.st_ctim) : 0,
                         .head = std::string(headSize, '\0')};
    const ssize_t read = ::pread(file.get(), mark.head.data(), headSize, 0);
    mark.head.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
    return mark;
}

bool isInPlace(const FileDescriptor& file, const std::string& path) {
    struct stat atPath {};
    const bool named = ::stat(path.c_str(), &atPath) == 0;
    struct stat held {};
    if (!file.isOpen() || ::fstat(file.get(), &held) != 0) return !named;
    return named && atPath.st_dev == held.st_dev && atPath.st_ino == held.st_ino;
}

} // namespace

LiveFiles::LiveFiles(const std::string& databasePath)
    : databasePath_(databasePath),
      database_(openForReading(databasePath)),
      log_(openForReading(databasePath + "-wal")),
      index_(openForReading(databasePath + "-shm")) {}

LiveFiles::Marks LiveFiles::marks() const {
    return {.database = markOf(database_, databaseHeadSize),
            .log = markOf(log_, logHeadSize),
            // Every reader writes its mark into the index too, so its times tell nothing; its
            // header tells every commit and every copy back.
            .index = markOf(index_, indexHeadSize, false)};
}

bool LiveFiles::areStillInPlace() const {
    return isInPlace(database_, databasePath_) && isInPlace(log_, databasePath_ + "-wal") &&
           isInPlace(index_, databasePath_ + "-shm");
}

std::string LiveFiles::Marks::logGeneration() const {
    return log.head.size() == logHeadSize ? log.head : std::string();
}

} // namespace tarvo
