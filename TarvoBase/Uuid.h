#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarvo {

// Version-4 (random) UUIDs.
class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;
    using RandomSource = std::function<void(std::span<std::uint8_t> fill)>;

    static Uuid random();

    // The bytes come from the operating system's random source unless a test replaces it;
    // returns the previous source. An empty source restores the system's.
    static RandomSource setRandomSource(RandomSource source);

    const Bytes& bytes() const { return bytes_; }
    std::string uppercased() const;
    std::string lowercased() const;

    // The 8-4-4-4-12 hexadecimal form, in either letter case.
    static bool isWellFormed(std::string_view text);

    // The UUID written in that form; nothing for any other text (surrounding spaces included).
    static std::optional<Uuid> parse(std::string_view text);

private:
    explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}
    std::string text(const char* digits) const;

    Bytes bytes_;
};

} // namespace tarvo
