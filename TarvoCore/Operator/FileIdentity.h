#pragma once

#include <cstdint>

#include <sys/stat.h>

namespace tarvo {

// Which file an entry of the file system is, whatever its name: its device and inode. A file
// renamed over another, or put back under the same name, has another identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    static FileIdentity of(const struct stat& status) {
        return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
    }

    bool operator==(const FileIdentity&) const = default;
};

} // namespace tarvo
