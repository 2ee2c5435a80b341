#pragma once

#include <optional>
#include <string_view>

namespace tarvo {

// How the operator asks on this Mac, from the narrowest to the widest: before every first read of
// a folder and every act in an app, only before acts, or only before what the act policy holds.
// (`auto_` is "auto", a word C++ keeps for itself.)
enum class MacPermissionMode { ask, autoRead, auto_ };

// "ask", "auto_read" or "auto".
std::string_view rawValue(MacPermissionMode mode);
// Exactly one of the three texts, compared case-sensitively; nothing for any other text.
std::optional<MacPermissionMode> macPermissionMode(std::string_view rawValue);

// The mode's place from the narrowest, 0, to the widest, 2.
int rank(MacPermissionMode mode);
// Whether `to` asks less than `mode`.
bool widens(MacPermissionMode mode, MacPermissionMode to);

// The mode's name in the menu, and the line under it.
std::string_view label(MacPermissionMode mode);
std::string_view line(MacPermissionMode mode);

} // namespace tarvo
