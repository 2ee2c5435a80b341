#include "TarvoBase/XdgBaseFolder.h"

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

} // namespace tarvo
