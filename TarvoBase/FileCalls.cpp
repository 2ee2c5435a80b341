#include "TarvoBase/FileCalls.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarvo {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(const char* call, int error) {
    throw fs::filesystem_error(call, std::error_code(error, std::generic_category()));
}

[[noreturn]] void fail(const char* call, const fs::path& path, int error) {
    throw fs::filesystem_error(call, path, std::error_code(error, std::generic_category()));
}

// Makes the call again for as long as a signal interrupts it.
template <class Call>
auto uninterrupted(Call call) {
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

} // namespace

FileDescriptor FileCalls::open(const fs::path& path, int flags, mode_t mode) {
    const int fd = uninterrupted([&] { return ::open(path.c_str(), flags, mode); });
    if (fd < 0) fail("open", path, errno);
    return FileDescriptor(fd);
}

FileDescriptor FileCalls::makeTemporary(std::string& pattern, int flags) {
    const int fd = uninterrupted([&] { return ::mkostemp(pattern.data(), flags); });
    if (fd < 0) fail("mkostemp", pattern, errno);
    return FileDescriptor(fd);
}

std::size_t FileCalls::read(int fd, void* into, std::size_t most) {
    const ssize_t got = uninterrupted([&] { return ::read(fd, into, most); });
    if (got < 0) fail("read", errno);
    return static_cast<std::size_t>(got);
}

std::size_t FileCalls::write(int fd, const void* bytes, std::size_t count) {
    const ssize_t put = uninterrupted([&] { return ::write(fd, bytes, count); });
    if (put < 0) fail("write", errno);
    return static_cast<std::size_t>(put);
}

void FileCalls::fsync(int fd) {
    if (uninterrupted([&] { return ::fsync(fd); }) != 0) fail("fsync", errno);
}

void FileCalls::rename(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        throw fs::filesystem_error("rename", from, to, std::error_code(errno, std::generic_category()));
    }
}

void FileCalls::unlink(const fs::path& path) {
    if (::unlink(path.c_str()) != 0) fail("unlink", path, errno);
}

std::optional<struct stat> FileCalls::lstat(const fs::path& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0) return status;
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    fail("lstat", path, errno);
}

std::size_t FileCalls::copyFileRange(int source, int target, std::size_t most) {
    const ssize_t copied =
        uninterrupted([&] { return ::copy_file_range(source, nullptr, target, nullptr, most, 0); });
    if (copied < 0) fail("copy_file_range", errno);
    return static_cast<std::size_t>(copied);
}

void FileCalls::clone(int target, int source) {
    if (uninterrupted([&] { return ::ioctl(target, FICLONE, source); }) != 0) fail("FICLONE", errno);
}

} // namespace tarvo
