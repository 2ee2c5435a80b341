#include "TarvoBase/Base64.h"

#include <array>

namespace tarvo {
namespace {

constexpr std::string_view standardAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view urlAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string encodeWith(std::span<const std::uint8_t> bytes, std::string_view alphabet, bool pad) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out.push_back(alphabet[(group >> 18) & 0x3F]);
        out.push_back(alphabet[(group >> 12) & 0x3F]);
        out.push_back(alphabet[(group >> 6) & 0x3F]);
        out.push_back(alphabet[group & 0x3F]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest == 0) return out;
    const std::uint32_t group = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
    out.push_back(alphabet[(group >> 18) & 0x3F]);
    out.push_back(alphabet[(group >> 12) & 0x3F]);
    if (rest == 2) out.push_back(alphabet[(group >> 6) & 0x3F]);
    if (pad) out.append(rest == 1 ? "==" : "=");
    return out;
}

std::span<const std::uint8_t> asBytes(std::string_view bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

constexpr std::uint8_t notInAlphabet = 0xFF;

constexpr std::array<std::uint8_t, 256> decodingTable() {
    std::array<std::uint8_t, 256> table{};
    table.fill(notInAlphabet);
    for (std::size_t i = 0; i < standardAlphabet.size(); ++i) {
        table[static_cast<unsigned char>(standardAlphabet[i])] = static_cast<std::uint8_t>(i);
    }
    return table;
}

constexpr auto sextets = decodingTable();

} // namespace

std::string Base64::encode(std::string_view bytes) { return encodeWith(asBytes(bytes), standardAlphabet, true); }

std::string Base64::encode(std::span<const std::uint8_t> bytes) { return encodeWith(bytes, standardAlphabet, true); }

std::string Base64::encodeUrl(std::string_view bytes) { return encodeWith(asBytes(bytes), urlAlphabet, false); }

std::string Base64::encodeUrl(std::span<const std::uint8_t> bytes) { return encodeWith(bytes, urlAlphabet, false); }

std::optional<std::string> Base64::decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;

    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const std::size_t filled = last ? 4 - padding : 4;
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            std::uint8_t sextet = 0;
            if (k < filled) {
                sextet = sextets[static_cast<unsigned char>(text[i + k])];
                if (sextet == notInAlphabet) return std::nullopt;
            }
            group = (group << 6) | sextet;
        }
        out.push_back(static_cast<char>((group >> 16) & 0xFF));
        if (filled > 2) out.push_back(static_cast<char>((group >> 8) & 0xFF));
        if (filled > 3) out.push_back(static_cast<char>(group & 0xFF));
    }
    return out;
}

std::string Base64::standardFromUrl(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '-') c = '+';
        else if (c == '_') c = '/';
    }
    while (out.size() % 4 != 0) out.push_back('=');
    return out;
}

} // namespace tarvo
