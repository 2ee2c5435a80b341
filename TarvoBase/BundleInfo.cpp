#include "TarvoBase/BundleInfo.h"

#include <system_error>

#include "TarvoBase/AtomicFile.h"
#include "TarvoBase/JsonReader.h"

namespace tarvo {

const BundleInfo& BundleInfo::main() {
    static const BundleInfo info = [] {
        std::error_code failed;
        const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", failed);
        return failed ? BundleInfo() : read(executable.parent_path() / fileName);
    }();
    return info;
}

BundleInfo BundleInfo::read(const std::filesystem::path& file) {
    std::string text;
    try {
        text = AtomicFile::read(file);
    } catch (const std::system_error&) {
        return BundleInfo();
    }
    std::optional<Json> values = JsonReader::parse(text);
    if (!values || !values->is_object()) return BundleInfo();
    return BundleInfo(std::move(*values));
}

std::optional<std::string> BundleInfo::string(std::string_view key) const {
    const auto found = values_.find(key);
    if (found == values_.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

} // namespace tarvo
