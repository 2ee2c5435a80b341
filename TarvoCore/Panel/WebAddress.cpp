#include "TarvoCore/Panel/WebAddress.h"

#include <algorithm>
#include <cctype>

namespace tarvo {
namespace {

bool isSchemeByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// An escape that is not two hex digits stays as written.
std::string decoded(std::string_view text) {
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '%' && at + 2 < text.size() && hexValue(text[at + 1]) >= 0 && hexValue(text[at + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[at + 1]) * 16 + hexValue(text[at + 2])));
            at += 2;
        } else {
            out.push_back(text[at]);
        }
    }
    return out;
}

// The host of "user@host:port"; nothing when the port is not a number.
std::optional<std::string> hostOf(std::string_view authority, bool& valid) {
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    const auto bracket = authority.rfind(']');
    const auto colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        const std::string_view port = authority.substr(colon + 1);
        valid = std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
        authority = authority.substr(0, colon);
    }
    if (authority.empty()) return std::nullopt;
    return std::string(authority);
}

} // namespace

std::optional<WebAddress> WebAddress::parse(std::string_view text) {
    const bool clean = std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7f;
    });
    const auto colon = text.find(':');
    if (!clean || colon == 0 || colon == std::string_view::npos || !std::isalpha(static_cast<unsigned char>(text[0])) ||
        !std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), isSchemeByte)) {
        return std::nullopt;
    }
    WebAddress address;
    address.scheme = std::string(text.substr(0, colon));
    std::string_view rest = text.substr(colon + 1);
    rest = rest.substr(0, rest.find('#'));
    if (const auto mark = rest.find('?'); mark != std::string_view::npos) {
        address.query = std::string(rest.substr(mark + 1));
        rest = rest.substr(0, mark);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        bool valid = true;
        address.host = hostOf(rest.substr(0, slash), valid);
        if (!valid) return std::nullopt;
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    }
    address.path = decoded(rest);
    return address;
}

} // namespace tarvo
