#include <cstddef>
#include <cstdint>
#include <span>

#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

// The blob is copied into a buffer of exactly its size, so any read past its end trips the
// address sanitizer.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = tarvo::ChatDatabase::plainText(std::span<const std::uint8_t>(data, size));
    if (text && (text->empty() || text->size() > size)) __builtin_trap();
    return 0;
}
