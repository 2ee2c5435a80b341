#include "TarvoBase/Sha256.h"

#include <new>
#include <stdexcept>

#include <openssl/evp.h>

namespace tarvo {

namespace {

void start(EVP_MD_CTX* context) {
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) throw std::runtime_error("SHA-256 could not start");
}

} // namespace

void Sha256::ContextDeleter::operator()(evp_md_ctx_st* context) const { EVP_MD_CTX_free(context); }

Sha256::Sha256() : context_(EVP_MD_CTX_new()) {
    if (!context_) throw std::bad_alloc();
    start(context_.get());
}

void Sha256::update(std::span<const std::byte> bytes) {
    if (bytes.empty()) return;
    if (EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1)
        throw std::runtime_error("SHA-256 could not take more bytes");
}

void Sha256::update(std::string_view bytes) { update(std::as_bytes(std::span(bytes.data(), bytes.size()))); }

Sha256::Digest Sha256::finish() {
    Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_.get(), digest.data(), &length) != 1 || length != digest.size())
        throw std::runtime_error("SHA-256 could not finish");
    start(context_.get());
    return digest;
}

Sha256::Digest Sha256::of(std::string_view bytes) {
    Sha256 sha;
    sha.update(bytes);
    return sha.finish();
}

} // namespace tarvo
