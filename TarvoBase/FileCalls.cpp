#include "TarvoBase/FileCalls.h"

#include <cerrno>
#include <memory>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace tarvo {
namespace {

[[noreturn]] void fail(std::string_view call, std::string_view name) {
    throw std::system_error(errno, std::generic_category(), std::string(call) + " " + std::string(name));
}

struct FolderStreamClose {
    void operator()(DIR* stream) const { ::closedir(stream); }
};
using FolderStream = std::unique_ptr<DIR, FolderStreamClose>;

} // namespace

FileDescriptor FileCalls::open(const std::filesystem::path& path, int flags, mode_t mode) {
    for (;;) {
        const int fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
        if (fd >= 0) return FileDescriptor(fd);
        if (errno != EINTR) fail("open", path.string());
    }
}

FileDescriptor FileCalls::openAt(const FileDescriptor& folder, const std::string& name, int flags, mode_t mode) {
    for (;;) {
        const int fd = ::openat(folder.get(), name.c_str(), flags | O_CLOEXEC, mode);
        if (fd >= 0) return FileDescriptor(fd);
        if (errno != EINTR) fail("openat", name);
    }
}

bool FileCalls::makeFolder(const std::filesystem::path& path, mode_t mode) {
    if (::mkdir(path.c_str(), mode) == 0) return true;
    if (errno == EEXIST) return false;
    fail("mkdir", path.string());
}

bool FileCalls::makeFolderAt(const FileDescriptor& folder, const std::string& name, mode_t mode) {
    if (::mkdirat(folder.get(), name.c_str(), mode) == 0) return true;
    if (errno == EEXIST) return false;
    fail("mkdirat", name);
}

FileCalls::Status FileCalls::status(const FileDescriptor& file) {
    Status status{};
    if (::fstat(file.get(), &status) != 0) fail("fstat", std::to_string(file.get()));
    return status;
}

std::optional<FileCalls::Status> FileCalls::entryStatusAt(const FileDescriptor& folder, const std::string& name) {
    Status status{};
    if (::fstatat(folder.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) return status;
    if (errno == ENOENT) return std::nullopt;
    fail("fstatat", name);
}

void FileCalls::changeModeAt(const FileDescriptor& folder, const std::string& name, mode_t mode) {
    if (::fchmodat(folder.get(), name.c_str(), mode, 0) != 0) fail("fchmodat", name);
}

void FileCalls::changeMode(const FileDescriptor& file, mode_t mode) {
    if (::fchmod(file.get(), mode) != 0) fail("fchmod", std::to_string(file.get()));
}

void FileCalls::writeAll(const FileDescriptor& file, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(file.get(), bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            fail("write", std::to_string(file.get()));
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

void FileCalls::renameAt(const FileDescriptor& folder, const std::string& from, const std::string& to) {
    if (::renameat(folder.get(), from.c_str(), folder.get(), to.c_str()) != 0) fail("renameat", to);
}

void FileCalls::removeAt(const FileDescriptor& folder, const std::string& name, bool isFolder) {
    if (::unlinkat(folder.get(), name.c_str(), isFolder ? AT_REMOVEDIR : 0) != 0) fail("unlinkat", name);
}

std::vector<std::string> FileCalls::names(const FileDescriptor& folder) {
    // The stream takes its descriptor over, so it reads through a duplicate of the caller's.
    FileDescriptor own(::fcntl(folder.get(), F_DUPFD_CLOEXEC, 0));
    if (!own.isOpen()) fail("fcntl", std::to_string(folder.get()));
    FolderStream stream(::fdopendir(own.get()));
    if (!stream) fail("fdopendir", std::to_string(folder.get()));
    own.release();
    ::rewinddir(stream.get());
    std::vector<std::string> found;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (!entry) {
            if (errno != 0) fail("readdir", std::to_string(folder.get()));
            return found;
        }
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") found.emplace_back(name);
    }
}

uid_t FileCalls::effectiveUser() { return ::geteuid(); }

} // namespace tarvo
