#include "TarvoBase/Uuid.h"

#include <mutex>

#include "TarvoBase/RandomBytes.h"

namespace tarvo {
namespace {

std::mutex& sourceMutex() {
    static std::mutex mutex;
    return mutex;
}

Uuid::RandomSource& currentSource() {
    static Uuid::RandomSource source = fillWithRandomBytes;
    return source;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::uint8_t hexValue(char c) {
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    return static_cast<std::uint8_t>(c - 'A' + 10);
}

} // namespace

Uuid Uuid::random() {
    Bytes bytes{};
    RandomSource source;
    {
        std::lock_guard lock(sourceMutex());
        source = currentSource();
    }
    source(bytes);
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return Uuid(bytes);
}

Uuid::RandomSource Uuid::setRandomSource(RandomSource source) {
    std::lock_guard lock(sourceMutex());
    RandomSource previous = std::move(currentSource());
    currentSource() = source ? std::move(source) : RandomSource(fillWithRandomBytes);
    return previous;
}

std::string Uuid::text(const char* digits) const {
    std::string out;
    out.reserve(36);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
        out.push_back(digits[bytes_[i] >> 4]);
        out.push_back(digits[bytes_[i] & 0x0F]);
    }
    return out;
}

std::string Uuid::uppercased() const { return text("0123456789ABCDEF"); }

std::string Uuid::lowercased() const { return text("0123456789abcdef"); }

bool Uuid::isWellFormed(std::string_view text) {
    if (text.size() != 36) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? text[i] != '-' : !isHexDigit(text[i])) return false;
    }
    return true;
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (!isWellFormed(text)) return std::nullopt;
    Bytes bytes{};
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-') continue;
        bytes[next / 2] = static_cast<std::uint8_t>((bytes[next / 2] << 4) | hexValue(text[i]));
        ++next;
    }
    return Uuid(bytes);
}

} // namespace tarvo
