#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace tarvo {

// HMAC of RFC 2104 over SHA-256.
class HmacSha256 {
public:
    using Mac = std::array<std::uint8_t, 32>;

    static Mac of(std::span<const std::uint8_t> key, std::string_view message);
};

} // namespace tarvo
