#include "TarvoCore/Operator/MacModeMenu.h"

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/PercentEscape.h"

namespace tarvo {
namespace {

// Only the unreserved characters stay as they are, so no value can end its item or add one.
std::string queryValue(std::string_view value) {
    std::string out;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            out.push_back(c);
        } else {
            appendPercentEscape(out, byte);
        }
    }
    return out;
}

} // namespace

MacModeMenu::Choice MacModeMenu::choose(MacPermissionMode picked, std::optional<MacPermissionMode> current,
                                        std::string_view deviceId) {
    const MacPermissionMode now = current.value_or(MacPermissionMode::ask);
    if (picked == now) return Unchanged{};
    if (widens(now, picked)) return OpenWindow{settingsPath(deviceId, picked)};
    return Narrow{picked};
}

std::string MacModeMenu::settingsPath(std::string_view deviceId, MacPermissionMode mode) {
    return "/app/settings?mac=" + queryValue(deviceId) + "&mode=" + queryValue(rawValue(mode));
}

std::optional<MacPermissionMode> MacModeMenu::mode(std::string_view fromHeartbeat) {
    const auto body = JsonReader::parse(fromHeartbeat);
    if (!body || !body->is_object()) return std::nullopt;
    const auto found = body->find("macPermissionMode");
    if (found == body->end() || !found->is_string()) return std::nullopt;
    return macPermissionMode(found->get_ref<const std::string&>());
}

} // namespace tarvo
