#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace tarvo {

// Lets the browser find the extension's handler: the build writes the handler's host manifest
// beside it, and the companion puts a copy into the browser's folder of native-messaging hosts.
class NativeMessagingHost {
public:
    static constexpr std::string_view manifestName = "com.tarvo.companion.safari.json";

    enum class Outcome {
        // The copy was missing or different, and is now the build's manifest.
        written,
        // The copy was the build's manifest already.
        current,
        // No handler is installed, so there is nothing for the browser to start.
        noHandler,
        // The build names no extension origin, so it wrote no manifest.
        noManifest,
    };

    // `handler` is the handler's executable; its manifest lies beside it. Throws
    // std::system_error when the copy cannot be written; a copy is never left half written.
    static Outcome install(const std::filesystem::path& handler, const std::filesystem::path& hostsFolder);

    // Chromium's folder for the user's native-messaging hosts, under the XDG configuration folder.
    static std::optional<std::filesystem::path> chromiumHostsFolder(const char* xdgConfigHome, const char* home);
};

} // namespace tarvo
