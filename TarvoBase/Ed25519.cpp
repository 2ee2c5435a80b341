#include "TarvoBase/Ed25519.h"

#include <memory>

#include <openssl/evp.h>

namespace tarvo {
namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

const unsigned char* bytesOf(std::string_view text) { return reinterpret_cast<const unsigned char*>(text.data()); }

} // namespace

bool Ed25519::verify(std::string_view message, std::string_view signature, std::string_view publicKey) {
    if (signature.size() != signatureSize || publicKey.size() != publicKeySize) return false;
    const std::unique_ptr<EVP_PKEY, KeyDeleter> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytesOf(publicKey), publicKey.size()));
    const std::unique_ptr<EVP_MD_CTX, ContextDeleter> context(EVP_MD_CTX_new());
    if (!key || !context) return false;
    // Ed25519 hashes the message itself, so no digest is named and the message goes in whole.
    if (EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1) return false;
    return EVP_DigestVerify(context.get(), bytesOf(signature), signature.size(), bytesOf(message), message.size()) == 1;
}

} // namespace tarvo
