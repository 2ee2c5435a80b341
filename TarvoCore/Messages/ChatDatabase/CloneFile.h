#pragma once

#include <filesystem>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// Copies `from` to the new file `to` (readable by the owner only) the cheapest way the
// filesystems allow: a reflink shares the blocks, else the kernel copies, else a plain
// read and write. Throws `std::filesystem::filesystem_error`; a half-written `to` is removed.
void cloneFile(const std::filesystem::path& from, const std::filesystem::path& to);
// The same from a file already open for reading, named `from`.
void cloneFile(const FileDescriptor& source, const std::filesystem::path& from, const std::filesystem::path& to);

// Makes `to` hold the bytes of the file `source`, named `from`, read to their end, writing only
// the blocks that differ: a file that changed a little costs reading both, not rewriting one. A
// missing `to` is cloned. Throws `std::filesystem::filesystem_error`; `to` may then hold
// anything.
void refreshFile(const FileDescriptor& source, const std::filesystem::path& from, const std::filesystem::path& to);

} // namespace tarvo
