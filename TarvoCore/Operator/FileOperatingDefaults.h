#pragma once

#include <string_view>

namespace tarvo {

// What the file port answers where a platform does not do an operation itself.
struct FileOperatingDefaults {
    // A port that cannot list one folder throws this from its folder listing.
    static constexpr std::string_view listFolderSentence =
        "This Mac cannot look in one folder yet, so nothing was listed.";
};

} // namespace tarvo
