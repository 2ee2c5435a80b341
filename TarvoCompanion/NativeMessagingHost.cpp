#include "TarvoCompanion/NativeMessagingHost.h"

#include <string>
#include <system_error>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/XdgBaseFolder.h"

namespace tarvo {
namespace {

std::optional<std::string> contentsOf(const std::filesystem::path& file) {
    try {
        return AtomicFile::read(file);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
}

} // namespace

NativeMessagingHost::Outcome NativeMessagingHost::install(const std::filesystem::path& handler,
                                                          const std::filesystem::path& hostsFolder) {
    std::error_code failed;
    if (!std::filesystem::is_regular_file(handler, failed)) return Outcome::noHandler;
    const std::optional<std::string> manifest = contentsOf(handler.parent_path() / manifestName);
    if (!manifest) return Outcome::noManifest;
    const std::filesystem::path copy = hostsFolder / manifestName;
    if (contentsOf(copy) == manifest) return Outcome::current;
    std::filesystem::create_directories(hostsFolder);
    AtomicFile::write(copy, *manifest);
    return Outcome::written;
}

std::optional<std::filesystem::path> NativeMessagingHost::chromiumHostsFolder(const char* xdgConfigHome,
                                                                              const char* home) {
    if (auto config = XdgBaseFolder::resolve(xdgConfigHome, home, ".config")) {
        return *config / "chromium" / "NativeMessagingHosts";
    }
    return std::nullopt;
}

} // namespace tarvo
