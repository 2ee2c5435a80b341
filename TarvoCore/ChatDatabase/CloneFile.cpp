#include "TarvoCore/ChatDatabase/CloneFile.h"

#include <array>
#include <cerrno>
#include <system_error>

#include <fcntl.h>

#include "TarvoBase/FileCalls.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

bool refusesKernelCopies(const std::error_code& error) {
    const int code = error.value();
    return code == EXDEV || code == ENOSYS || code == EOPNOTSUPP || code == EINVAL;
}

// False when the kernel cannot copy between these files at all.
bool copyInKernel(int source, int target) {
    bool copiedAny = false;
    for (;;) {
        std::size_t copied = 0;
        try {
            copied = FileCalls::copyFileRange(source, target, 1 << 30);
        } catch (const std::system_error& failure) {
            if (!copiedAny && refusesKernelCopies(failure.code())) return false;
            throw;
        }
        if (copied == 0) return true;
        copiedAny = true;
    }
}

void copyThroughBuffer(int source, int target) {
    std::array<char, 1 << 16> buffer{};
    while (const std::size_t got = FileCalls::read(source, buffer.data(), buffer.size())) {
        for (std::size_t written = 0; written < got;) {
            written += FileCalls::write(target, buffer.data() + written, got - written);
        }
    }
}

void copyContents(int source, int target) {
    try {
        FileCalls::clone(target, source);
        return;
    } catch (const std::system_error&) {
        // Most file systems share no blocks; the bytes are copied instead.
    }
    if (!copyInKernel(source, target)) copyThroughBuffer(source, target);
}

} // namespace

void cloneFile(const fs::path& from, const fs::path& to) {
    const FileDescriptor source = FileCalls::open(from, O_RDONLY | O_CLOEXEC);
    const FileDescriptor target = FileCalls::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    try {
        copyContents(source.get(), target.get());
    } catch (...) {
        std::error_code ignored;
        fs::remove(to, ignored);
        throw;
    }
}

} // namespace tarvo
