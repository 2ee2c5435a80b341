#pragma once

#include <cstdint>
#include <span>

namespace tarvo {

// Fills `bytes` from the system's cryptographically secure random source; throws when it fails.
void fillWithRandomBytes(std::span<std::uint8_t> bytes);

} // namespace tarvo
