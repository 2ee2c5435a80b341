#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tarvo {

// Two lower-case hexadecimal digits for each byte, in order, nothing between them.
std::string hexString(std::span<const std::uint8_t> bytes);

} // namespace tarvo
