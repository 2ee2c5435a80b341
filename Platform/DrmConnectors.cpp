#include "Platform/DrmConnectors.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace tarvo {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> trimmedFileText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    if (stream.bad()) return std::nullopt;
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    text.erase(end == std::string::npos ? 0 : end + 1);
    text.erase(0, std::min(text.find_first_not_of(" \t\r\n"), text.size()));
    return text;
}

// A connector is named after its card and its kind, such as card0-HDMI-A-1; a writeback
// connector only feeds pictures back to the card and is no display.
bool isDisplayConnector(std::string_view name) {
    if (!name.starts_with("card")) return false;
    name.remove_prefix(4);
    const std::size_t digits = name.find_first_not_of("0123456789");
    if (digits == 0 || digits == std::string_view::npos || name[digits] != '-') return false;
    return !name.substr(digits + 1).starts_with("Writeback");
}

} // namespace

std::optional<std::vector<DrmConnectors::Connector>> DrmConnectors::read(const fs::path& sysfsRoot) {
    std::vector<Connector> found;
    std::error_code error;
    for (fs::directory_iterator entry(sysfsRoot / "class/drm", error); !error && entry != fs::directory_iterator();
         entry.increment(error)) {
        if (!isDisplayConnector(entry->path().filename().string())) continue;
        const auto status = trimmedFileText(entry->path() / "status");
        const auto enabled = trimmedFileText(entry->path() / "enabled");
        const auto dpms = trimmedFileText(entry->path() / "dpms");
        if (!status || !enabled || !dpms) return std::nullopt;
        // A connector drives a display while the card feeds it; one whose display has been
        // unplugged may stay fed for a moment and is not counted.
        found.push_back(Connector{*enabled == "enabled" && *status != "disconnected", *dpms == "On"});
    }
    if (error) return std::nullopt;
    return found;
}

std::optional<bool> DrmConnectors::everyDisplayOff(const std::vector<Connector>& connectors) {
    if (std::ranges::none_of(connectors, &Connector::active)) return std::nullopt;
    return std::ranges::none_of(connectors, [](const Connector& connector) { return connector.active && connector.on; });
}

} // namespace tarvo
