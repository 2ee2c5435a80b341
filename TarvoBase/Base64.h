#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

// Base64 of RFC 4648. Bytes travel in std::string.
class Base64 {
public:
    // The standard alphabet ("+", "/"), "=" filling the last group, no line breaks.
    static std::string encode(std::string_view bytes);
    static std::string encode(std::span<const std::uint8_t> bytes);

    // The URL-safe alphabet ("-", "_") without padding.
    static std::string encodeUrl(std::string_view bytes);
    static std::string encodeUrl(std::span<const std::uint8_t> bytes);

    // Standard Base64 with no tolerance: the length a multiple of four, only the standard
    // alphabet, and "=" only as the one or two closing characters. A line break, a space or any
    // stray character gives nothing. The empty text decodes to no bytes.
    static std::optional<std::string> decode(std::string_view text);

    // URL-safe text (such as a token's payload) in the standard alphabet: "-" becomes "+", "_"
    // becomes "/", and "=" is added until the length is a multiple of four. Nothing else is
    // checked; `decode` judges the result.
    static std::string standardFromUrl(std::string_view text);
};

} // namespace tarvo
