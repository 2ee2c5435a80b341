#pragma once

#include <filesystem>
#include <optional>

namespace tarvo {

// One of the user's base folders as the XDG conventions find it.
class XdgBaseFolder {
public:
    // `variable` (the value of XDG_CONFIG_HOME, XDG_DATA_HOME, ...), or `home` joined with
    // `underHome` when the variable is unset, empty or not an absolute path; nothing when
    // neither gives an absolute folder.
    static std::optional<std::filesystem::path> resolve(const char* variable, const char* home,
                                                        const std::filesystem::path& underHome);
};

} // namespace tarvo
