#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tarvo {

// The class an operator step is admitted under; the Mac's readiness is judged per class.
enum class MacCapabilityClass { files, screen, act, consequential };

inline constexpr std::array<MacCapabilityClass, 4> allMacCapabilityClasses{
    MacCapabilityClass::files,
    MacCapabilityClass::screen,
    MacCapabilityClass::act,
    MacCapabilityClass::consequential,
};

// The class's text, equal to its case name.
std::string_view rawValue(MacCapabilityClass klass);

// Exactly one of the four texts, compared case-sensitively; nothing for any other text.
std::optional<MacCapabilityClass> macCapabilityClass(std::string_view rawValue);

} // namespace tarvo
