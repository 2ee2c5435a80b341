#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The coarse kind of this Mac, derived from its marketing name or its model identifier.
class MacKind {
public:
    enum Case { macMini, macStudio, macPro, iMac, macBookPro, macBookAir, macBook };

    static constexpr std::array<Case, 7> allCases{macMini, macStudio, macPro, iMac, macBookPro, macBookAir, macBook};

    constexpr MacKind(Case value) : value_(value) {}
    constexpr operator Case() const { return value_; }

    std::string_view rawValue() const;
    bool isLaptop() const;

    // The name decides when it names a kind; otherwise the identifier, whose prefix must be
    // followed by a digit so that "MacBookPro18,3" is never read as a plain "MacBook".
    static std::optional<MacKind> from(const std::optional<std::string>& modelName,
                                       const std::optional<std::string>& hardwareModel);

private:
    Case value_;
};

} // namespace tarvo
