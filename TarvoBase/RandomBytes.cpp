#include "TarvoBase/RandomBytes.h"

#include <stdexcept>

#include <openssl/rand.h>

namespace tarvo {

void fillWithRandomBytes(std::span<std::uint8_t> bytes) {
    if (bytes.empty()) return;
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        throw std::runtime_error("the system's random source failed");
    }
}

} // namespace tarvo
