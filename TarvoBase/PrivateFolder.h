#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// Folders that belong to this program alone, inside a folder of the user's own (the session's
// runtime folder, say), and the files written in them. Each folder is checked to be a real
// folder (never a link), owned by the user and open to nobody else (0700) before anything is done
// in it, and every file is named relative to the folder checked, so that no link planted by
// someone else is followed.
class PrivateFolder {
public:
    // A folder that is not safe to write in; the text says why.
    class Unsafe : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    PrivateFolder() = delete;

    // The user's folder, made (with its parents) when `make` is true and it is missing. It is the
    // system's or the user's own choice, so a link to it is followed. Throws `Unsafe` for a path
    // that is not absolute, std::system_error when a call fails.
    static FileDescriptor openUserFolder(const std::filesystem::path& userFolder, bool make);

    // The folder `name` in `parent` (known to the user as `path`), made first when `make` is
    // true. Throws `Unsafe` when it is not a folder of the user's that nobody else can enter,
    // std::system_error when a call fails.
    static FileDescriptor ownFolder(const FileDescriptor& parent, const std::string& name,
                                    const std::filesystem::path& path, bool make);

    // Writes `data` under `name` in `folder`, readable by its owner only, replacing what was
    // there: the file appears whole under its name or not at all. Throws std::system_error.
    static void writeReplacing(const FileDescriptor& folder, const std::string& name, std::string_view data);
};

} // namespace tarvo
