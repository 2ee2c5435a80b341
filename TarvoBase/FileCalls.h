#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// The operating system's plain file calls, one wrapper each, for code that must name files
// relative to a folder it holds open (so that a link swapped in between two calls is never
// followed). A failed call throws std::system_error carrying the call's error number, its text
// naming the call and the file; an interrupted call is repeated.
class FileCalls {
public:
    using Status = struct ::stat;

    static FileDescriptor open(const std::filesystem::path& path, int flags, mode_t mode = 0);
    static FileDescriptor openAt(const FileDescriptor& folder, const std::string& name, int flags, mode_t mode = 0);

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
    // Removes a file or link (or, with `folder` true, an empty folder); a link is never followed.
    static void removeAt(const FileDescriptor& folder, const std::string& name, bool isFolder);

    // The names in an open folder, "." and ".." left out, in the order the file system gives.
    static std::vector<std::string> names(const FileDescriptor& folder);

    // The user this process acts as: the owner of the files it makes.
    static uid_t effectiveUser();
};

} // namespace tarvo
