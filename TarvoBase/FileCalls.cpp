#include "TarvoBase/FileCalls.h"

#include <cerrno>
#include <memory>
#include <system_error>

#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/openat2.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
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

struct FolderStreamClose {
    void operator()(DIR* stream) const { ::closedir(stream); }
};
using FolderStream = std::unique_ptr<DIR, FolderStreamClose>;

} // namespace

FileDescriptor FileCalls::open(const fs::path& path, int flags, mode_t mode) {
    const int fd = uninterrupted([&] { return ::open(path.c_str(), flags | O_CLOEXEC, mode); });
    if (fd < 0) fail("open", path, errno);
    return FileDescriptor(fd);
}

FileDescriptor FileCalls::openAt(const FileDescriptor& folder, const std::string& name, int flags, mode_t mode) {
    const int fd = uninterrupted([&] { return ::openat(folder.get(), name.c_str(), flags | O_CLOEXEC, mode); });
    if (fd < 0) fail("openat", name, errno);
    return FileDescriptor(fd);
}

namespace {

// The C library here has no wrapper of its own for this call.
long openat2Call(int folder, const char* path, int flags, std::uint64_t resolve) {
    open_how how{};
    how.flags = static_cast<std::uint64_t>(flags | O_CLOEXEC);
    how.resolve = resolve;
    return ::syscall(SYS_openat2, folder, path, &how, sizeof how);
}

constexpr std::uint64_t noLinks = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;

} // namespace

FileDescriptor FileCalls::openWithoutLinks(const fs::path& path, int flags) {
    const long fd = uninterrupted([&] { return openat2Call(AT_FDCWD, path.c_str(), flags, noLinks); });
    if (fd < 0) fail("openat2", path, errno);
    return FileDescriptor(static_cast<int>(fd));
}

bool FileCalls::canOpenWithoutLinks() {
    // The root folder always opens as a path, so any refusal here is a refusal of the call itself
    // (ENOSYS from an old kernel, EPERM or ENOSYS from a sandbox's filter).
    static const bool made = [] {
        const long fd = uninterrupted([] { return openat2Call(AT_FDCWD, "/", O_PATH | O_DIRECTORY, noLinks); });
        if (fd < 0) return false;
        ::close(static_cast<int>(fd));
        return true;
    }();
    return made;
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

std::size_t FileCalls::readAt(int fd, void* into, std::size_t most, std::int64_t offset) {
    const ssize_t got = uninterrupted([&] { return ::pread(fd, into, most, static_cast<off_t>(offset)); });
    if (got < 0) fail("pread", errno);
    return static_cast<std::size_t>(got);
}

std::size_t FileCalls::write(int fd, const void* bytes, std::size_t count) {
    const ssize_t put = uninterrupted([&] { return ::write(fd, bytes, count); });
    if (put < 0) fail("write", errno);
    return static_cast<std::size_t>(put);
}

void FileCalls::writeAllAt(int fd, std::string_view bytes, std::int64_t offset) {
    while (!bytes.empty()) {
        const ssize_t put =
            uninterrupted([&] { return ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)); });
        if (put < 0) fail("pwrite", errno);
        bytes.remove_prefix(static_cast<std::size_t>(put));
        offset += put;
    }
}

void FileCalls::truncate(int fd, std::int64_t size) {
    if (uninterrupted([&] { return ::ftruncate(fd, static_cast<off_t>(size)); }) != 0) fail("ftruncate", errno);
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

std::optional<std::string> FileCalls::realPath(const fs::path& path) {
    struct FreeResolved {
        void operator()(char* text) const { std::free(text); }
    };
    const std::unique_ptr<char, FreeResolved> resolved(::realpath(path.c_str(), nullptr));
    if (!resolved) return std::nullopt;
    return std::string(resolved.get());
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

bool FileCalls::makeFolder(const fs::path& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0) return true;
    if (errno == EEXIST) return false;
    fail("mkdir", path, errno);
}

bool FileCalls::makeFolderAt(const FileDescriptor& folder, const std::string& name, mode_t mode) {
    if (::mkdirat(folder.get(), name.c_str(), mode) == 0) return true;
    if (errno == EEXIST) return false;
    fail("mkdirat", name, errno);
}

FileCalls::Status FileCalls::status(const FileDescriptor& file) {
    Status status{};
    if (::fstat(file.get(), &status) != 0) fail("fstat", errno);
    return status;
}

std::optional<FileCalls::Status> FileCalls::entryStatusAt(const FileDescriptor& folder, const std::string& name) {
    Status status{};
    if (::fstatat(folder.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return status;
    if (errno == ENOENT) return std::nullopt;
    fail("fstatat", name, errno);
}

void FileCalls::changeModeAt(const FileDescriptor& folder, const std::string& name, mode_t mode) {
    if (::fchmodat(folder.get(), name.c_str(), mode, 0) != 0) fail("fchmodat", name, errno);
}

void FileCalls::changeMode(const FileDescriptor& file, mode_t mode) {
    if (::fchmod(file.get(), mode) != 0) fail("fchmod", errno);
}

void FileCalls::writeAll(const FileDescriptor& file, std::string_view bytes) {
    while (!bytes.empty()) bytes.remove_prefix(write(file.get(), bytes.data(), bytes.size()));
}

void FileCalls::renameAt(const FileDescriptor& folder, const std::string& from, const std::string& to) {
    if (::renameat(folder.get(), from.c_str(), folder.get(), to.c_str()) != 0) fail("renameat", to, errno);
}

void FileCalls::removeAt(const FileDescriptor& folder, const std::string& name, bool isFolder) {
    if (::unlinkat(folder.get(), name.c_str(), isFolder ? AT_REMOVEDIR : 0) != 0) fail("unlinkat", name, errno);
}

std::vector<std::string> FileCalls::names(const FileDescriptor& folder) {
    // The stream takes its descriptor over, so it reads through a duplicate of the caller's.
    FileDescriptor own(::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0));
    if (!own.isOpen()) fail("fcntl", errno);
    FolderStream stream(::fdopendir(own.get()));
    if (!stream) fail("fdopendir", errno);
    own.release();
    ::rewinddir(stream.get());
    std::vector<std::string> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (!entry) {
            if (errno != 0) fail("readdir", errno);
            return found;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") found.emplace_back(name);
    }
}

uid_t FileCalls::effectiveUser() { return ::geteuid(); }

} // namespace tarvo
