#pragma once

#include <vector>

#include "TarvoCore/Operator/FoundFile.h"

namespace tarvo {

// The files a search or a folder walk kept, and whether it found more than it kept.
struct FoundFiles {
    std::vector<FoundFile> files;
    bool truncated = false;

    bool operator==(const FoundFiles&) const = default;
};

} // namespace tarvo
