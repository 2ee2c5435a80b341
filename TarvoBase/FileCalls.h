#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The operating system's plain file calls, each wrapped once, for the platform-free code that
// must work on files below the standard library (atomic writes, block clones, bounded reads). A
// call interrupted by a signal is made again; a failure throws
// `std::filesystem::filesystem_error` (a `std::system_error`) with the call's errno and the path
// when the call takes one.
class FileCalls {
public:
    static FileDescriptor open(const std::filesystem::path& path, int flags, mode_t mode = 0);
    // A new file named by `pattern`, whose trailing "XXXXXX" is replaced in place; only its owner
    // may read or write it.
    static FileDescriptor makeTemporary(std::string& pattern, int flags);

    // The number of bytes read, 0 at the end of the file.
    static std::size_t read(int fd, void* into, std::size_t most);
    // The number of bytes written, which may be fewer than `count`.
    static std::size_t write(int fd, const void* bytes, std::size_t count);
    static void fsync(int fd);

    static void rename(const std::filesystem::path& from, const std::filesystem::path& to);
    static void unlink(const std::filesystem::path& path);
    // What is at `path` itself (a link is not followed); nothing when nothing is there.
    static std::optional<struct stat> lstat(const std::filesystem::path& path);

    // The number of bytes the kernel copied from the current offset of `source` to that of
    // `target`, 0 at the end of `source`.
    static std::size_t copyFileRange(int source, int target, std::size_t most);
    // Makes `target` share all of `source`'s blocks (a reflink); most file systems refuse.
    static void clone(int target, int source);
};

} // namespace tarvo
