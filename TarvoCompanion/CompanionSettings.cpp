#include "TarvoCompanion/CompanionSettings.h"

#include <algorithm>
#include <cctype>

namespace tarvo {
namespace {

std::optional<std::string> storedText(const SettingsStore& defaults, std::string_view key) {
    const auto stored = defaults.object(key);
    if (!stored || !stored->is_string()) return std::nullopt;
    return stored->get<std::string>();
}

std::string serviceURL(const SettingsStore& defaults, std::string_view key, std::string_view builtIn) {
    auto stored = storedText(defaults, key);
    if (stored && CompanionSettings::isServiceURL(*stored)) return std::move(*stored);
    return std::string(builtIn);
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// Printable ASCII without the characters that must be escaped in an address, and every "%"
// followed by two hex digits.
bool holdsOnlyAddressCharacters(std::string_view text) {
    constexpr std::string_view forbidden = "\"<>\\^`{|}";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c >= 0x7f || forbidden.find(text[i]) != std::string_view::npos) return false;
        if (text[i] == '%' && (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))) return false;
    }
    return true;
}

bool isPort(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// "host", "host:port", "[v6]" or "[v6]:port", after any user information.
bool hasHost(std::string_view authority) {
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        const std::string_view rest = authority.substr(close + 1);
        return rest.empty() || (rest.front() == ':' && isPort(rest.substr(1)));
    }
    const auto colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    return !host.empty() && (colon == std::string_view::npos || isPort(authority.substr(colon + 1)));
}

} // namespace

CompanionSettings CompanionSettings::load(const SettingsStore& defaults) {
    CompanionSettings settings;
    settings.baseURL = serviceURL(defaults, baseURLKey, builtInBaseURL);
    settings.apiURL = serviceURL(defaults, apiURLKey, builtInApiURL);
    settings.imessageChannelId = storedText(defaults, imessageChannelIdKey);
    settings.smsChannelId = storedText(defaults, smsChannelIdKey);
    settings.whatsappChannelId = storedText(defaults, whatsappChannelIdKey);
    return settings;
}

bool CompanionSettings::isServiceURL(std::string_view text) {
    if (!holdsOnlyAddressCharacters(text)) return false;
    std::string_view rest;
    if (startsWithIgnoringCase(text, "https://")) {
        rest = text.substr(8);
    } else if (startsWithIgnoringCase(text, "http://")) {
        rest = text.substr(7);
    } else {
        return false;
    }
    return hasHost(rest.substr(0, rest.find_first_of("/?#")));
}

} // namespace tarvo
