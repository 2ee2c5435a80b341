#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

struct evp_md_ctx_st;

namespace tarvo {

// SHA-256 fed piece by piece, so a file of any size is digested in a bounded amount of memory.
class Sha256 {
public:
    using Digest = std::array<std::uint8_t, 32>;

    Sha256();

    void update(std::span<const std::byte> bytes);
    void update(std::string_view bytes);
    // The digest of everything fed so far; the object then starts over, empty.
    Digest finish();

    static Digest of(std::string_view bytes);

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> context_;
};

} // namespace tarvo
