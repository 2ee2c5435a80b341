#include "TarvoCore/ChatDatabase/FileChanges.h"

#include <algorithm>
#include <cerrno>
#include <span>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>


namespace tarvo {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t blockSize = 4096;
constexpr std::size_t chunkSize = 256 * blockSize;

[[noreturn]] void fail(const char* what, const fs::path& file, int error) {
    throw fs::filesystem_error(what, file, std::error_code(error, std::generic_category()));
}

// Fills `buffer` from `at` on as far as the file goes; answers how much it holds. A file that is
// not open reads as empty.
std::size_t readUpTo(const FileDescriptor& file, std::span<char> buffer, std::int64_t at, const fs::path& path) {
    std::size_t filled = 0;
    while (file.isOpen() && filled < buffer.size()) {
        const ssize_t got = ::pread(file.get(), buffer.data() + filled, buffer.size() - filled,
                                    static_cast<off_t>(at) + static_cast<off_t>(filled));
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("read", path, errno);
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

} // namespace

FileChanges FileChanges::between(const FileDescriptor& source, const fs::path& from, const fs::path& to) {
    if (!source.isOpen()) fail("open", from, EBADF);
    const FileDescriptor target(::open(to.c_str(), O_RDONLY | O_CLOEXEC));
    if (!target.isOpen() && errno != ENOENT) fail("open", to, errno);
    FileChanges changes;
    std::vector<char> fresh(chunkSize);
    std::vector<char> held(chunkSize);
    for (;;) {
        const std::int64_t at = changes.size_;
        const std::size_t got = readUpTo(source, fresh, at, from);
        const std::size_t had = readUpTo(target, held, at, to);
        for (std::size_t offset = 0; offset < got; offset += blockSize) {
            const std::size_t length = std::min(blockSize, got - offset);
            const bool same = offset + length <= had &&
                              std::equal(fresh.begin() + static_cast<long>(offset),
                                         fresh.begin() + static_cast<long>(offset + length),
                                         held.begin() + static_cast<long>(offset));
            if (same) continue;
            const std::int64_t position = at + static_cast<std::int64_t>(offset);
            const bool follows = !changes.runs_.empty() && changes.runs_.back().first +
                                                                   static_cast<std::int64_t>(changes.runs_.back().second.size()) ==
                                                               position;
            if (!follows) changes.runs_.emplace_back(position, std::string());
            changes.runs_.back().second.append(fresh.data() + offset, length);
        }
        changes.size_ += static_cast<std::int64_t>(got);
        if (got < chunkSize) return changes;
    }
}

void FileChanges::applyTo(const fs::path& to) const {
    const FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600));
    if (!target.isOpen()) fail("open", to, errno);
    for (const auto& [position, bytes] : runs_) {
        std::span<const char> left(bytes);
        std::int64_t at = position;
        while (!left.empty()) {
            const ssize_t put = ::pwrite(target.get(), left.data(), left.size(), static_cast<off_t>(at));
            if (put < 0) {
                if (errno == EINTR) continue;
                fail("write", to, errno);
            }
            left = left.subspan(static_cast<std::size_t>(put));
            at += put;
        }
    }
    struct stat status {};
    if (::fstat(target.get(), &status) != 0) fail("stat", to, errno);
    if (status.st_size != size_ && ::ftruncate(target.get(), static_cast<off_t>(size_)) != 0) fail("truncate", to, errno);
}

} // namespace tarvo
