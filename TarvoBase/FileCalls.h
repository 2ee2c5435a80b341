#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The operating system's plain file calls, each wrapped once, for the platform-free code that
// must work on files below the standard library (atomic writes, block clones, bounded reads). A
// call interrupted by a signal is made again; a failure throws
// `std::filesystem::filesystem_error` (a `std::system_error`) with the call's errno and the path
// when the call takes one.
//
// The calls that take a folder held open name files relative to it, so that a link swapped in
// between two calls is never followed.
class FileCalls {
public:
    using Status = struct ::stat;

    // Every descriptor is opened close-on-exec, so no child process inherits one.
    static FileDescriptor open(const std::filesystem::path& path, int flags, mode_t mode = 0);
    static FileDescriptor openAt(const FileDescriptor& folder, const std::string& name, int flags, mode_t mode = 0);
    // Opens an absolute path without following a link at any level of it (openat2 with
    // RESOLVE_NO_SYMLINKS and RESOLVE_NO_MAGICLINKS): a link anywhere fails with ELOOP.
    static FileDescriptor openWithoutLinks(const std::filesystem::path& path, int flags);
    // Whether this kernel makes `openWithoutLinks` at all; asked of the kernel once. Older kernels
    // and some sandboxes refuse the call, whatever the path.
    static bool canOpenWithoutLinks();
    // A new file named by `pattern`, whose trailing "XXXXXX" is replaced in place; only its owner
    // may read or write it.
    static FileDescriptor makeTemporary(std::string& pattern, int flags);

    // The number of bytes read, 0 at the end of the file.
    static std::size_t read(int fd, void* into, std::size_t most);
    // Reads at `offset`, leaving the descriptor's own position alone.
    static std::size_t readAt(int fd, void* into, std::size_t most, std::int64_t offset);
    // The number of bytes written, which may be fewer than `count`.
    static std::size_t write(int fd, const void* bytes, std::size_t count);
    // Writes all of `bytes` at `offset`, leaving the descriptor's own position alone.
    static void writeAllAt(int fd, std::string_view bytes, std::int64_t offset);
    static void truncate(int fd, std::int64_t size);
    static void fsync(int fd);

    static void rename(const std::filesystem::path& from, const std::filesystem::path& to);
    static void unlink(const std::filesystem::path& path);
    // What is at `path` itself (a link is not followed); nothing when nothing is there.
    static std::optional<struct stat> lstat(const std::filesystem::path& path);
    // The absolute path with every link, "." and ".." resolved (realpath); nothing when a part of
    // it is missing or cannot be looked at.
    static std::optional<std::string> realPath(const std::filesystem::path& path);

    // The number of bytes the kernel copied from the current offset of `source` to that of
    // `target`, 0 at the end of `source`.
    static std::size_t copyFileRange(int source, int target, std::size_t most);
    // Makes `target` share all of `source`'s blocks (a reflink); most file systems refuse.
    static void clone(int target, int source);

    // True when the folder was made, false when something of that name was there already.
    static bool makeFolder(const std::filesystem::path& path, mode_t mode);
    static bool makeFolderAt(const FileDescriptor& folder, const std::string& name, mode_t mode);

    static Status status(const FileDescriptor& file);
    // The entry itself, never what a link points to; nothing when there is no such entry.
    static std::optional<Status> entryStatusAt(const FileDescriptor& folder, const std::string& name);

    // Follows links; for an entry just made by this process, never for one found.
    static void changeModeAt(const FileDescriptor& folder, const std::string& name, mode_t mode);
    static void changeMode(const FileDescriptor& file, mode_t mode);

    static void writeAll(const FileDescriptor& file, std::string_view bytes);

    // Replaces `to` (a link itself, never its target) with `from`, both in `folder`.
    static void renameAt(const FileDescriptor& folder, const std::string& from, const std::string& to);
    // Removes a file or link (or, with `isFolder` true, an empty folder); a link is never followed.
    static void removeAt(const FileDescriptor& folder, const std::string& name, bool isFolder);

    // The names in an open folder, "." and ".." left out, in the order the file system gives.
    static std::vector<std::string> names(const FileDescriptor& folder);

    // The user this process acts as: the owner of the files it makes.
    static uid_t effectiveUser();
};

} // namespace tarvo
