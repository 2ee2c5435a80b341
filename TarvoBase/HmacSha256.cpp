#include "TarvoBase/HmacSha256.h"

#include <stdexcept>

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace tarvo {

HmacSha256::Mac HmacSha256::of(std::span<const std::uint8_t> key, std::string_view message) {
    Mac mac{};
    unsigned int length = 0;
    // A zero-length key still needs a valid pointer, or the call takes the null for "no key".
    static const std::uint8_t noKey = 0;
    const auto* keyBytes = key.empty() ? &noKey : key.data();
    if (!HMAC(EVP_sha256(), keyBytes, static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(message.data()), message.size(), mac.data(), &length) ||
        length != mac.size())
        throw std::runtime_error("HMAC-SHA256 could not be computed");
    return mac;
}

} // namespace tarvo
