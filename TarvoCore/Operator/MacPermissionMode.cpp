#include "TarvoCore/Operator/MacPermissionMode.h"

#include "TarvoCore/Operator/MacPermissionWords.h"

namespace tarvo {

std::string_view rawValue(MacPermissionMode mode) { return MacPermissionWords::modes[rank(mode)]; }

std::optional<MacPermissionMode> macPermissionMode(std::string_view text) {
    for (const MacPermissionMode mode : {MacPermissionMode::ask, MacPermissionMode::autoRead, MacPermissionMode::auto_}) {
        if (rawValue(mode) == text) return mode;
    }
    return std::nullopt;
}

int rank(MacPermissionMode mode) { return static_cast<int>(mode); }

bool widens(MacPermissionMode mode, MacPermissionMode to) { return rank(to) > rank(mode); }

std::string_view label(MacPermissionMode mode) {
    switch (mode) {
    case MacPermissionMode::ask: return MacPermissionWords::macModeAsk;
    case MacPermissionMode::autoRead: return MacPermissionWords::macModeAutoRead;
    case MacPermissionMode::auto_: return MacPermissionWords::macModeAuto;
    }
    return {};
}

std::string_view line(MacPermissionMode mode) {
    switch (mode) {
    case MacPermissionMode::ask: return MacPermissionWords::macModeAskLine;
    case MacPermissionMode::autoRead: return MacPermissionWords::macModeAutoReadLine;
    case MacPermissionMode::auto_: return MacPermissionWords::macModeAutoLine;
    }
    return {};
}

} // namespace tarvo
