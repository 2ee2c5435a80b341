#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/Operator/AXSnapshot.h"

using tarvo::AXSnapshot;

namespace {

void require(bool holds) {
    if (!holds) __builtin_trap();
}

} // namespace

// The first eight bytes are the current generation, the rest an element id from the service. An
// id that resolves names one element of that generation, and the id this side writes for that
// element resolves to it again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int64_t generation = 0;
    if (size < sizeof generation) return 0;
    std::memcpy(&generation, data, sizeof generation);
    const std::string_view id(reinterpret_cast<const char*>(data) + sizeof generation, size - sizeof generation);

    const std::optional<std::int64_t> number = AXSnapshot::resolve(id, generation);
    if (!number) return 0;
    require(*number >= 1);
    require(id.find('.') == id.rfind('.') && id.find('.') != std::string_view::npos);
    require(id.find_first_not_of("+-0123456789.") == std::string_view::npos);
    require(AXSnapshot::resolve(AXSnapshot::elementId(generation, *number), generation) == number);
    return 0;
}
