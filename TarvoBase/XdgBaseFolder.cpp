#include "TarvoBase/XdgBaseFolder.h"

#include "TarvoBase/BundleIdentifier.h"

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> absoluteFolder(const char* variable) {
    if (variable == nullptr || *variable == '\0') return std::nullopt;
    fs::path folder(variable);
    if (!folder.is_absolute()) return std::nullopt;
    return folder;
}

} // namespace

std::optional<fs::path> XdgBaseFolder::resolve(const char* variable, const char* home, const fs::path& underHome) {
    if (auto folder = absoluteFolder(variable)) return folder;
    if (auto homeFolder = absoluteFolder(home)) return *homeFolder / underHome;
    return std::nullopt;
}

std::optional<fs::path> XdgBaseFolder::programData(const char* xdgDataHome, const char* home) {
    if (auto data = resolve(xdgDataHome, home, ".local/share")) return *data / bundleIdentifier;
    return std::nullopt;
}

} // namespace tarvo
