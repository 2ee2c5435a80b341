#include "Platform/PlainText.h"

#include <cstddef>
#include <optional>

#include "TarvoBase/FileCalls.h"
#include "TarvoBase/Text.h"

namespace tarvo {
namespace {

unsigned char byteAt(std::string_view bytes, std::size_t index) { return static_cast<unsigned char>(bytes[index]); }

// How many bytes a sequence that starts with `lead` takes; 0 for a byte that starts none.
std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The bytes without a sequence the cut left unfinished at their end (at most three bytes).
std::string_view withoutUnfinishedEnd(std::string_view bytes) {
    for (std::size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const unsigned char byte = byteAt(bytes, bytes.size() - back);
        if ((byte & 0xC0) == 0x80) continue;
        if (sequenceLength(byte) > back) bytes.remove_suffix(back);
        break;
    }
    return bytes;
}

enum class Order { little, big };

// UTF-16 text of Latin letters has a NUL in nearly every unit, always on the same side.
std::optional<Order> nulPattern(std::string_view bytes) {
    const std::size_t units = std::min<std::size_t>(bytes.size() / 2, 4096);
    if (units == 0 || bytes.size() % 2 != 0) return std::nullopt;
    std::size_t evenNuls = 0;
    std::size_t oddNuls = 0;
    for (std::size_t i = 0; i < units; ++i) {
        if (byteAt(bytes, 2 * i) == 0) ++evenNuls;
        if (byteAt(bytes, 2 * i + 1) == 0) ++oddNuls;
    }
    if (oddNuls * 2 >= units && evenNuls * 10 < units) return Order::little;
    if (evenNuls * 2 >= units && oddNuls * 10 < units) return Order::big;
    return std::nullopt;
}

// Strict: a lone surrogate fails the whole. A cut text may end inside a pair or a unit.
std::optional<std::string> fromUtf16(std::string_view bytes, Order order, bool cut) {
    if (cut && bytes.size() % 2 != 0) bytes.remove_suffix(1);
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u32string scalars;
    scalars.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t index) -> char32_t {
        const unsigned char first = byteAt(bytes, 2 * index);
        const unsigned char second = byteAt(bytes, 2 * index + 1);
        return order == Order::little ? (char32_t(second) << 8 | first) : (char32_t(first) << 8 | second);
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t high = unit(i);
        if (high < 0xD800 || high > 0xDFFF) {
            scalars.push_back(high);
            continue;
        }
        if (high > 0xDBFF) return std::nullopt;
        if (i + 1 == units) {
            if (cut) break;
            return std::nullopt;
        }
        const char32_t low = unit(++i);
        if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
        scalars.push_back(0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00));
    }
    return Text::fromScalars(scalars);
}

std::optional<std::string> asUtf16(std::string_view bytes, bool cut) {
    if (bytes.size() >= 2 && byteAt(bytes, 0) == 0xFF && byteAt(bytes, 1) == 0xFE)
        return fromUtf16(bytes.substr(2), Order::little, cut);
    if (bytes.size() >= 2 && byteAt(bytes, 0) == 0xFE && byteAt(bytes, 1) == 0xFF)
        return fromUtf16(bytes.substr(2), Order::big, cut);
    if (const auto order = nulPattern(bytes)) return fromUtf16(bytes, *order, cut);
    return std::nullopt;
}

} // namespace

std::string PlainText::decoded(std::string_view bytes, bool cut) {
    // UTF-16 of Latin letters is well-formed UTF-8 too, full of NULs.
    if (auto text = asUtf16(bytes, cut)) return std::move(*text);
    const std::string_view whole = cut ? withoutUnfinishedEnd(bytes) : bytes;
    if (Text::isWellFormedUtf8(whole)) return std::string(whole);
    return Text::wellFormed(whole);
}

std::string PlainText::start(int file, std::size_t most, std::size_t cap) {
    std::string bytes(most, '\0');
    std::size_t got = 0;
    while (got < most) {
        const std::size_t read = FileCalls::readAt(file, bytes.data() + got, most - got, static_cast<std::int64_t>(got));
        if (read == 0) break;
        got += read;
    }
    bytes.resize(got);
    return decoded(bytes, got == cap);
}

} // namespace tarvo
