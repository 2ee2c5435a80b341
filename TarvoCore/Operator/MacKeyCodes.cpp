#include "TarvoCore/Operator/MacKeyCodes.h"

#include <algorithm>

namespace tarvo {

namespace {

std::optional<std::uint16_t> lookUp(const auto& table, std::string_view key) {
    const auto* found = std::ranges::find(table, key, &MacKeyCodes::Code::first);
    if (found == table.end()) return std::nullopt;
    return found->second;
}

} // namespace

std::optional<std::uint16_t> MacKeyCodes::code(std::string_view key) {
    if (auto found = lookUp(named, key)) return found;
    return lookUp(characters, key);
}

std::uint64_t MacKeyCodes::flags(const std::vector<std::string>& modifiers) {
    std::uint64_t bits = 0;
    for (const std::string& modifier : modifiers) {
        const auto* found = std::ranges::find(modifierFlags, modifier, &Flag::first);
        if (found != modifierFlags.end()) bits |= found->second;
    }
    return bits;
}

bool MacKeyCodes::isStopKeys(std::uint16_t code, const std::vector<std::string>& modifiers) {
    const auto has = [&](std::string_view name) { return std::ranges::find(modifiers, name) != modifiers.end(); };
    return code == periodCode && has("control") && has("option") && has("command");
}

} // namespace tarvo
