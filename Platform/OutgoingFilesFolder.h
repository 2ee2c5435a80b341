#pragma once

#include <filesystem>
#include <optional>

namespace tarvo {

// The folder of the user's own that outgoing files are staged under: the session's runtime
// folder, which only this user can enter and which the system empties at log-out, else the
// user's cache folder. Never a temporary folder that every user shares.
class OutgoingFilesFolder {
public:
    OutgoingFilesFolder() = delete;

    // From this process's environment; nothing when it names no absolute folder at all.
    static std::optional<std::filesystem::path> current();
    // "$XDG_RUNTIME_DIR", else "$XDG_CACHE_HOME", else "$HOME/.cache"; each only when absolute.
    static std::optional<std::filesystem::path> from(const char* runtimeDir, const char* cacheHome, const char* home);
};

} // namespace tarvo
