#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"

#include <algorithm>
#include <array>

#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

// In this serialisation a count below 0x80 is its own byte; 0x81 announces a 16-bit and 0x82 a
// 32-bit little-endian count. Other bytes from 0x80 up are markers, never a count.
struct Count {
    std::uint64_t value;
    std::size_t start;
};

std::optional<Count> countAt(std::span<const std::uint8_t> b, std::size_t at) {
    if (at >= b.size()) return std::nullopt;
    const std::uint8_t first = b[at];
    if (first < 0x80) return Count{first, at + 1};
    const std::size_t width = first == 0x81 ? 2 : first == 0x82 ? 4 : 0;
    if (width == 0 || b.size() - (at + 1) < width) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = width; i > 0; --i) value = (value << 8) | b[at + i];
    return Count{value, at + 1 + width};
}

} // namespace

std::optional<std::string> ChatDatabase::plainText(std::span<const std::uint8_t> typedStream) {
    static constexpr std::array<std::uint8_t, 8> marker{'N', 'S', 'S', 't', 'r', 'i', 'n', 'g'};
    const auto b = typedStream;
    if (b.size() <= marker.size()) return std::nullopt;
    // The marker must leave at least one byte after it.
    const auto searched = b.first(b.size() - 1);
    const auto found = std::search(searched.begin(), searched.end(), marker.begin(), marker.end());
    if (found == searched.end()) return std::nullopt;
    const auto afterMarker = b.begin() + (found - searched.begin()) + marker.size();
    const auto plus = std::find(afterMarker, b.end(), std::uint8_t{0x2B});
    if (plus == b.end()) return std::nullopt;
    const auto count = countAt(b, static_cast<std::size_t>(plus - b.begin()) + 1);
    if (!count || count->value == 0 || count->value > b.size() - count->start) return std::nullopt;
    const auto text = b.subspan(count->start, static_cast<std::size_t>(count->value));
    if (!Text::isWellFormedUtf8({reinterpret_cast<const char*>(text.data()), text.size()})) return std::nullopt;
    return std::string(text.begin(), text.end());
}

} // namespace tarvo
