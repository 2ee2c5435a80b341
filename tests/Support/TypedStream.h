#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo::testing {

// A serialised rich-text body, as the Messages app stores it in `attributedBody`, holding
// `text`. Counts up to 0x7F take one byte; longer ones are announced by 0x81 (16 bits) or
// 0x82 (32 bits), little-endian.
inline std::vector<std::uint8_t> typedStreamHolding(std::string_view text) {
    auto bytes = [](std::string_view s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
    using namespace std::string_view_literals;
    std::vector<std::uint8_t> out = bytes(
        "\x04\x0bstreamtyped\x81\xe8\x03\x84\x01@\x84\x84\x84\x12NSAttributedString\x00\x84\x84\x08NSObject\x00\x85"
        "\x92\x84\x84\x84\x08NSString\x01\x94\x84\x01+"sv);
    const std::uint64_t n = text.size();
    if (n < 0x80) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n <= 0x7FFF) {
        out.insert(out.end(), {0x81, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8)});
    } else {
        out.insert(out.end(), {0x82, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                               static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)});
    }
    out.insert(out.end(), text.begin(), text.end());
    const auto tail = bytes(
        "\x86\x84\x02iI\x01\x05\x92\x84\x84\x84\x0cNSDictionary\x00\x94\x84\x01i\x01\x92\x84\x96\x96\x1d"
        "__kIMMessagePartAttributeName\x86\x92\x84\x84\x84\x08NSNumber\x00\x84\x84\x07NSValue\x00\x94\x84\x01*"
        "\x84\x99\x99\x00\x86\x86\x86"sv);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

} // namespace tarvo::testing
