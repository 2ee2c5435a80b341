#include "Platform/XTestKeys.h"

#include <algorithm>
#include <array>
#include <utility>

#include <X11/keysym.h>

#include "TarvoCore/Operator/MacKeyCodes.h"

namespace tarvo {
namespace {

constexpr std::array<std::pair<std::string_view, KeySym>, 15> namedKeys{{
    {"return", XK_Return}, {"enter", XK_KP_Enter}, {"tab", XK_Tab}, {"escape", XK_Escape},
    {"space", XK_space}, {"delete", XK_BackSpace}, {"forward_delete", XK_Delete}, {"up", XK_Up},
    {"down", XK_Down}, {"left", XK_Left}, {"right", XK_Right}, {"home", XK_Home}, {"end", XK_End},
    {"page_up", XK_Prior}, {"page_down", XK_Next},
}};

constexpr std::array<std::pair<std::string_view, KeySym>, 4> modifierKeys{{
    {"command", XK_Control_L}, {"control", XK_Control_L}, {"option", XK_Alt_L}, {"shift", XK_Shift_L},
}};

} // namespace

std::optional<KeySym> XTestKeys::keysym(std::string_view key) {
    if (!MacKeyCodes::code(key)) return std::nullopt;
    for (const auto& [name, symbol] : namedKeys)
        if (name == key) return symbol;
    // The table's single characters are lower-case letters and digits, whose keysyms are their
    // own character codes.
    if (key.size() == 1) return static_cast<KeySym>(static_cast<unsigned char>(key[0]));
    return std::nullopt;
}

std::vector<KeySym> XTestKeys::modifiers(const std::vector<std::string>& names) {
    std::vector<KeySym> keys;
    for (const std::string& name : names)
        for (const auto& [modifier, symbol] : modifierKeys)
            if (modifier == name && std::ranges::find(keys, symbol) == keys.end()) keys.push_back(symbol);
    return keys;
}

} // namespace tarvo
