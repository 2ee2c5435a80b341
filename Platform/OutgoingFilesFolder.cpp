#include "Platform/OutgoingFilesFolder.h"

#include <cstdlib>

namespace tarvo {
namespace {

std::optional<std::filesystem::path> absoluteFolder(const char* value) {
    if (!value || *value == '\0') return std::nullopt;
    std::filesystem::path folder(value);
    if (!folder.is_absolute()) return std::nullopt;
    return folder;
}

} // namespace

std::optional<std::filesystem::path> OutgoingFilesFolder::current() {
    return from(std::getenv("XDG_RUNTIME_DIR"), std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

std::optional<std::filesystem::path> OutgoingFilesFolder::from(const char* runtimeDir, const char* cacheHome,
                                                               const char* home) {
    if (auto runtime = absoluteFolder(runtimeDir)) return runtime;
    if (auto cache = absoluteFolder(cacheHome)) return cache;
    if (auto homeFolder = absoluteFolder(home)) return *homeFolder / ".cache";
    return std::nullopt;
}

} // namespace tarvo
