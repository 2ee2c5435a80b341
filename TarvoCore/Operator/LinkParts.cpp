#include "TarvoCore/Operator/LinkParts.h"

#include <algorithm>

namespace tarvo {
namespace {

int hexValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

// The host of an authority, without user information or port.
std::string_view hostOf(std::string_view authority) {
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    return authority.substr(0, authority.find(':'));
}

} // namespace

std::optional<std::vector<std::string>> LinkParts::of(std::string_view link) {
    if (!link.starts_with(scheme) || link.substr(scheme.size(), 1) != ":") return std::nullopt;
    std::string_view rest = link.substr(scheme.size() + 1);
    rest = rest.substr(0, rest.find_first_of("?#"));

    std::vector<std::string> parts;
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto pathStart = std::min(rest.find('/'), rest.size());
        const auto host = percentDecoded(hostOf(rest.substr(0, pathStart)));
        if (!host) return std::nullopt;
        if (!host->empty()) parts.push_back(*host);
        rest.remove_prefix(pathStart);
    }
    const auto path = percentDecoded(rest);
    if (!path) return std::nullopt;
    std::string_view remaining = *path;
    while (!remaining.empty()) {
        const auto slash = std::min(remaining.find('/'), remaining.size());
        if (slash > 0) parts.emplace_back(remaining.substr(0, slash));
        remaining.remove_prefix(std::min(slash + 1, remaining.size()));
    }
    return parts;
}

} // namespace tarvo
