#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tarvo {

// Files that are either wholly old or wholly new, whatever happens during a write.
class AtomicFile {
public:
    // Writes `contents` to a new file beside `file` (readable by its owner only), flushes it to
    // the disk, then renames it over `file`. Throws std::system_error, leaving `file` untouched.
    static void write(const std::filesystem::path& file, std::string_view contents);

    // The whole file's bytes; throws std::system_error (no such file included).
    static std::string read(const std::filesystem::path& file);
};

} // namespace tarvo
