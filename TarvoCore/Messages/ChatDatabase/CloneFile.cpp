#include "TarvoCore/Messages/ChatDatabase/CloneFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <span>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* what, const fs::path& from, const fs::path& to, int error) {
    throw fs::filesystem_error(what, from, to, std::error_code(error, std::generic_category()));
}

bool copyInKernel(int source, int target, const fs::path& from, const fs::path& to) {
    bool copiedAny = false;
    loff_t read = 0;
    loff_t written = 0;
    for (;;) {
        const ssize_t copied = ::copy_file_range(source, &read, target, &written, 1 << 30, 0);
        if (copied == 0) return true;
        if (copied > 0) {
            copiedAny = true;
            continue;
        }
        if (errno == EINTR) continue;
        const bool unsupported = errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL;
        if (unsupported && !copiedAny) return false;
        fail("copy_file_range", from, to, errno);
    }
}

void copyThroughBuffer(int source, int target, const fs::path& from, const fs::path& to) {
    std::array<char, 1 << 16> buffer{};
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(source, buffer.data(), buffer.size(), at);
        if (got == 0) return;
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("read", from, to, errno);
        }
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = ::pwrite(target, buffer.data() + written, static_cast<std::size_t>(got - written),
                                         at + written);
            if (put < 0) {
                if (errno == EINTR) continue;
                fail("write", from, to, errno);
            }
            written += put;
        }
        at += got;
    }
}

// Fills `buffer` from `at` on as far as the file goes; answers how much it holds.
std::size_t readUpTo(int file, std::span<char> buffer, off_t at, const fs::path& from, const fs::path& to) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t got = ::pread(file, buffer.data() + filled, buffer.size() - filled, at + static_cast<off_t>(filled));
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            fail("read", from, to, errno);
        }
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

void writeAll(int file, std::span<const char> bytes, off_t at, const fs::path& from, const fs::path& to) {
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(file, bytes.data(), bytes.size(), at);
        if (put < 0) {
            if (errno == EINTR) continue;
            fail("write", from, to, errno);
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
        at += put;
    }
}

void copyContents(int source, int target, const fs::path& from, const fs::path& to) {
    if (::ioctl(target, FICLONE, source) == 0) return;
    if (!copyInKernel(source, target, from, to)) copyThroughBuffer(source, target, from, to);
}

} // namespace

void cloneFile(const fs::path& from, const fs::path& to) {
    const FileDescriptor source(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0) fail("open", from, to, errno);
    cloneFile(source, from, to);
}

void cloneFile(const FileDescriptor& source, const fs::path& from, const fs::path& to) {
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (target.get() < 0) fail("create", from, to, errno);
    try {
        copyContents(source.get(), target.get(), from, to);
    } catch (...) {
        std::error_code ignored;
        fs::remove(to, ignored);
        throw;
    }
}

void refreshFile(const FileDescriptor& source, const fs::path& from, const fs::path& to) {
    const FileDescriptor target(::open(to.c_str(), O_RDWR | O_CLOEXEC));
    if (!target.isOpen()) {
        if (errno != ENOENT) fail("open", from, to, errno);
        cloneFile(source, from, to);
        return;
    }
    constexpr std::size_t block = 4096;
    std::array<char, 8 * block> fresh;
    std::array<char, 8 * block> held;
    off_t at = 0;
    for (;;) {
        const std::size_t got = readUpTo(source.get(), fresh, at, from, to);
        const std::size_t had = readUpTo(target.get(), held, at, from, to);
        for (std::size_t offset = 0; offset < got; offset += block) {
            const std::size_t length = std::min(block, got - offset);
            const auto bytes = std::span<const char>(fresh).subspan(offset, length);
            const bool same = offset + length <= had && std::equal(bytes.begin(), bytes.end(), held.begin() + offset);
            if (!same) writeAll(target.get(), bytes, at + static_cast<off_t>(offset), from, to);
        }
        at += static_cast<off_t>(got);
        if (got < fresh.size()) break;
    }
    struct stat status {};
    if (::fstat(target.get(), &status) != 0) fail("stat", from, to, errno);
    if (status.st_size != at && ::ftruncate(target.get(), at) != 0) fail("truncate", from, to, errno);
}

} // namespace tarvo
