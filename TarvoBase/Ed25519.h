#pragma once

#include <cstddef>
#include <string_view>

namespace tarvo {

// Ed25519 signatures (RFC 8032), as the update feed is signed. Keys and signatures are raw bytes.
class Ed25519 {
public:
    static constexpr std::size_t publicKeySize = 32;
    static constexpr std::size_t signatureSize = 64;

    // Whether `signature` signs exactly `message` under `publicKey`. A key or signature of the
    // wrong size is no match.
    static bool verify(std::string_view message, std::string_view signature, std::string_view publicKey);
};

} // namespace tarvo
