#include "TarvoCore/ChatDatabase/CloneFile.h"

#include <array>
#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

} // namespace tarvo
