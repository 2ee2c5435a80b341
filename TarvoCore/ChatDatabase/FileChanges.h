#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// What makes one file hold the bytes that another held when they were read: its size and the
// runs of blocks in which the two differed. Reading is kept apart from writing so that a source
// that must hold still while it is read is read in one go, however long the writes then take.
class FileChanges {
public:
    // Reads the file `source`, named `from`, to its end and compares it with `to`, a missing `to`
    // reading as empty: a file that changed a little costs reading both, and holding only what
    // changed. Throws `std::filesystem::filesystem_error`.
    static FileChanges between(const FileDescriptor& source, const std::filesystem::path& from,
                               const std::filesystem::path& to);

    // Writes the changes into `to`, creating it readable by the owner only when it is missing.
    // Throws `std::filesystem::filesystem_error`; `to` may then hold anything.
    void applyTo(const std::filesystem::path& to) const;

private:
    std::int64_t size_ = 0;
    std::vector<std::pair<std::int64_t, std::string>> runs_;
};

} // namespace tarvo
