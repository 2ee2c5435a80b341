#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoCore/Operator/FileIdentity.h"

namespace tarvo {

// The one open of a file the service named, made after every check on its name and kept for
// everything read from it afterwards, so the file read is the file checked. The open follows no
// link at any level of the path, and the descriptor must be the very file the listing saw: a
// link planted since, a file renamed over it, a second name of a secret or anything that is not
// a plain file is refused before a byte is read.
class CheckedFile {
public:
    // Why a file was not opened.
    struct Refusal {
        enum class Kind {
            // Not where the listing found it: a link on the way, a part such as "..", another
            // file under the name, or nothing there.
            moved,
            // More than one name: possibly a second name of a secret.
            denied,
            // The system would not let the companion open it.
            notPermitted,
            // Not a plain file (a folder, a pipe, a device), or the open failed otherwise.
            unreadable,
        };
        Kind kind;
        // The sentence for the user; empty for `unreadable`, which the step words itself.
        std::string sentence;

        // True when the step is refused (nothing was asked of the file system that could fail),
        // false when it failed.
        bool refusesStep() const { return kind == Kind::moved || kind == Kind::denied; }

        bool operator==(const Refusal&) const = default;
    };

    // The two ways of opening without following links, replaceable so a test can take either
    // road and make the system refuse.
    struct Calls {
        // Opens a whole absolute path at once, refusing a link anywhere in it; empty where the
        // kernel has no such call, and then the path is walked one folder at a time.
        std::function<FileDescriptor(const std::string& path, int flags)> openWhole;
        std::function<FileDescriptor(const FileDescriptor& folder, const std::string& name, int flags)> openAt;

        // The whole-path open where this kernel makes it, else the walk.
        static Calls system();
        // The walk alone.
        static Calls walking();
    };

    using Opened = std::variant<CheckedFile, Refusal>;

    // Opens `path` for reading when it is a resolved path that may be listed under the resolved
    // home folder and the file there still has the identity recorded when it was listed. A
    // document package (an rtfd) is the one kind that opens as a folder; its parts are then
    // opened relative to it.
    static Opened open(const std::string& path, const std::string& resolvedHome, FileIdentity identity,
                       const Calls& calls = Calls::system());

    const std::string& path() const { return path_; }
    // The size the open descriptor had; what may be read of it, and no more.
    std::int64_t bytes() const { return bytes_; }
    FileIdentity identity() const { return identity_; }
    bool isFolder() const { return isFolder_; }
    // Shared, so that work handed to another thread keeps the file open while it reads.
    const std::shared_ptr<const FileDescriptor>& descriptor() const { return descriptor_; }

    // Reads at `offset`, never moving a shared file position; 0 at the end of the file.
    std::size_t readAt(std::int64_t offset, void* into, std::size_t most) const;

private:
    CheckedFile(std::shared_ptr<const FileDescriptor> descriptor, std::string path, std::int64_t bytes,
                FileIdentity identity, bool isFolder);

    std::shared_ptr<const FileDescriptor> descriptor_;
    std::string path_;
    std::int64_t bytes_ = 0;
    FileIdentity identity_;
    bool isFolder_ = false;
};

} // namespace tarvo
