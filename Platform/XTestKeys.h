#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <X11/X.h>

namespace tarvo {

// The keys a step names, as the X keyboard knows them: the same names as the core's key table,
// and the modifiers by what the service means by them, the shortcut key here being Control.
struct XTestKeys {
    // Exactly the keys the core's table knows: "a" has one, "A", "!" and "f5" have none.
    static std::optional<KeySym> keysym(std::string_view key);
    // In the order named, each modifier key once; names outside the table add nothing.
    static std::vector<KeySym> modifiers(const std::vector<std::string>& names);
};

} // namespace tarvo
