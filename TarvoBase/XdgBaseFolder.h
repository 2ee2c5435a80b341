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

    // The program's own folder in the user's data folder: its tokens, its panel's cookies.
    static std::optional<std::filesystem::path> programData(const char* xdgDataHome, const char* home);
};

} // namespace tarvo
