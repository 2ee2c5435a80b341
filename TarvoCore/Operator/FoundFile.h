#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

// A file a search or a folder walk found, as the platform reports it.
struct FoundFile {
    // Absolute, as found (links not resolved).
    std::string path;
    std::int64_t bytes = 0;
    std::chrono::system_clock::time_point modifiedAt;
    // In iCloud Drive and not downloaded to this computer.
    bool cloudOnly = false;
    std::optional<std::string> contentType;

    bool operator==(const FoundFile&) const = default;
};

} // namespace tarvo
