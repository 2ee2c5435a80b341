#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "TarvoCore/Operator/MacPermissionMode.h"

namespace tarvo {

// A pick in the permission-mode menu. Narrowing is applied on the Mac at once; widening never
// is: it opens the service's settings page, where the user confirms it.
class MacModeMenu {
public:
    struct Narrow {
        MacPermissionMode mode;
        bool operator==(const Narrow&) const = default;
    };
    struct OpenWindow {
        std::string path;
        bool operator==(const OpenWindow&) const = default;
    };
    struct Unchanged {
        bool operator==(const Unchanged&) const = default;
    };
    using Choice = std::variant<Narrow, OpenWindow, Unchanged>;

    // No current mode counts as the narrowest.
    static Choice choose(MacPermissionMode picked, std::optional<MacPermissionMode> current, std::string_view deviceId);
    // "/app/settings?mac=…&mode=…", both values percent-encoded.
    static std::string settingsPath(std::string_view deviceId, MacPermissionMode mode);
    // The mode named by "macPermissionMode" of a heartbeat answer's body; nothing when the body
    // is not a JSON object or names no mode.
    static std::optional<MacPermissionMode> mode(std::string_view fromHeartbeat);
};

} // namespace tarvo
