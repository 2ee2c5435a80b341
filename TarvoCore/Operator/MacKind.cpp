#include "TarvoCore/Operator/MacKind.h"

#include <utility>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

using Prefix = std::pair<std::string_view, MacKind::Case>;

constexpr std::array<Prefix, 7> namePrefixes{{
    {"mac mini", MacKind::macMini},
    {"mac studio", MacKind::macStudio},
    {"mac pro", MacKind::macPro},
    {"imac", MacKind::iMac},
    {"macbook pro", MacKind::macBookPro},
    {"macbook air", MacKind::macBookAir},
    {"macbook", MacKind::macBook},
}};

constexpr std::array<Prefix, 8> identifierPrefixes{{
    {"Macmini", MacKind::macMini},
    {"MacStudio", MacKind::macStudio},
    {"MacPro", MacKind::macPro},
    {"iMacPro", MacKind::iMac},
    {"iMac", MacKind::iMac},
    {"MacBookPro", MacKind::macBookPro},
    {"MacBookAir", MacKind::macBookAir},
    {"MacBook", MacKind::macBook},
}};

// A prefix counts only when it ends on a character boundary: "iMac" does not begin
// "iMa" followed by a combining mark on its "c".
bool startsWith(std::string_view text, std::string_view prefix) {
    return text.starts_with(prefix) && Text::graphemePrefix(text, Text::graphemeCount(prefix)) == prefix;
}

std::optional<MacKind> fromName(std::string_view name) {
    const std::string lowered = Text::lowercased(name);
    for (const auto& [prefix, kind] : namePrefixes) {
        if (startsWith(lowered, prefix)) return kind;
    }
    return std::nullopt;
}

std::optional<MacKind> fromIdentifier(std::string_view identifier) {
    for (const auto& [prefix, kind] : identifierPrefixes) {
        if (!startsWith(identifier, prefix)) continue;
        const auto rest = Text::graphemePrefix(identifier.substr(prefix.size()), 1);
        if (!rest.empty() && Text::isNumericCharacter(rest)) return kind;
    }
    return std::nullopt;
}

} // namespace

std::string_view MacKind::rawValue() const {
    switch (value_) {
    case macMini: return "mac_mini";
    case macStudio: return "mac_studio";
    case macPro: return "mac_pro";
    case iMac: return "imac";
    case macBookPro: return "macbook_pro";
    case macBookAir: return "macbook_air";
    case macBook: return "macbook";
    }
    return {};
}

bool MacKind::isLaptop() const { return value_ == macBookPro || value_ == macBookAir || value_ == macBook; }

std::optional<MacKind> MacKind::from(const std::optional<std::string>& modelName,
                                     const std::optional<std::string>& hardwareModel) {
    if (modelName) {
        const std::string name = Text::trimmingWhitespaceAndNewlines(*modelName);
        if (!name.empty()) {
            if (auto kind = fromName(name)) return kind;
        }
    }
    if (hardwareModel) {
        const std::string identifier = Text::trimmingWhitespaceAndNewlines(*hardwareModel);
        if (!identifier.empty()) return fromIdentifier(identifier);
    }
    return std::nullopt;
}

} // namespace tarvo
