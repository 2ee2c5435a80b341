#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvo {

// The virtual key codes and event-flag bits by which macOS posts the keys a step names.
class MacKeyCodes {
public:
    using Code = std::pair<std::string_view, std::uint16_t>;
    using Flag = std::pair<std::string_view, std::uint64_t>;

    static constexpr std::array<Code, 15> named{{
        {"return", 36}, {"enter", 76}, {"tab", 48}, {"escape", 53}, {"space", 49},
        {"delete", 51}, {"forward_delete", 117}, {"up", 126}, {"down", 125}, {"left", 123},
        {"right", 124}, {"home", 115}, {"end", 119}, {"page_up", 116}, {"page_down", 121},
    }};
    // The ANSI layout's letter and digit keys.
    static constexpr std::array<Code, 36> characters{{
        {"a", 0},  {"s", 1},  {"d", 2},  {"f", 3},  {"h", 4},  {"g", 5},  {"z", 6},  {"x", 7},  {"c", 8},
        {"v", 9},  {"b", 11}, {"q", 12}, {"w", 13}, {"e", 14}, {"r", 15}, {"y", 16}, {"t", 17}, {"1", 18},
        {"2", 19}, {"3", 20}, {"4", 21}, {"6", 22}, {"5", 23}, {"9", 25}, {"7", 26}, {"8", 28}, {"0", 29},
        {"o", 31}, {"u", 32}, {"i", 34}, {"p", 35}, {"l", 37}, {"j", 38}, {"k", 40}, {"n", 45}, {"m", 46},
    }};
    static constexpr std::array<Flag, 4> modifierFlags{{
        {"command", 0x100000},
        {"option", 0x80000},
        {"control", 0x40000},
        {"shift", 0x20000},
    }};
    // The full-stop key.
    static constexpr std::uint16_t periodCode = 47;

    // Exact and case-sensitive: "a" has a code, "A" and "f5" have none.
    static std::optional<std::uint16_t> code(std::string_view key);
    // Names outside the table add nothing.
    static std::uint64_t flags(const std::vector<std::string>& modifiers);
    // Control-Option-Command-period, with or without Shift: the stop hot key, never posted.
    static bool isStopKeys(std::uint16_t code, const std::vector<std::string>& modifiers);
};

} // namespace tarvo
