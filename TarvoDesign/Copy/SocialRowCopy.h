#pragma once

#include <optional>
#include <string>

namespace tarvo {

// What the settings screen says about a social channel's row.
struct SocialRowCopy {
    std::string about;
    std::optional<std::string> hint;

    bool operator==(const SocialRowCopy&) const = default;
};

} // namespace tarvo
