#include "TarvoCore/Operator/MacCapabilityClass.h"

namespace tarvo {

std::string_view rawValue(MacCapabilityClass klass) {
    switch (klass) {
    case MacCapabilityClass::files: return "files";
    case MacCapabilityClass::screen: return "screen";
    case MacCapabilityClass::act: return "act";
    case MacCapabilityClass::consequential: return "consequential";
    }
    return {};
}

std::optional<MacCapabilityClass> macCapabilityClass(std::string_view text) {
    for (const MacCapabilityClass klass : allMacCapabilityClasses) {
        if (rawValue(klass) == text) return klass;
    }
    return std::nullopt;
}

} // namespace tarvo
