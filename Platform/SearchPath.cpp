#include "Platform/SearchPath.h"

#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace tarvo {

std::optional<std::string> SearchPath::find(std::string_view searchPath, std::string_view program) {
    std::string_view rest = searchPath;
    for (;;) {
        const auto colon = rest.find(':');
        const std::filesystem::path folder(rest.substr(0, colon));
        if (folder.is_absolute()) {
            const std::string candidate = (folder / program).string();
            std::error_code ignored;
            if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, ignored)) {
                return candidate;
            }
        }
        if (colon == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace tarvo
