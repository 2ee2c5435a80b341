#pragma once

#include <string_view>
#include <variant>

#include "TarvoCore/Operator/MacPresenceGap.h"
#include "TarvoCore/Operator/OperatorGap.h"

namespace tarvo {

// One gap between the Mac and a capability class: a readiness gap or a presence gap.
class MacClassGap {
public:
    static MacClassGap base(OperatorGap gap) { return MacClassGap(gap); }
    static MacClassGap presence(MacPresenceGap gap) { return MacClassGap(gap); }

    // The carried gap's code and sentence.
    std::string_view code() const;
    std::string_view sentence() const;

    const std::variant<OperatorGap, MacPresenceGap>& gap() const { return gap_; }

    bool operator==(const MacClassGap&) const = default;

private:
    explicit MacClassGap(std::variant<OperatorGap, MacPresenceGap> gap) : gap_(gap) {}

    std::variant<OperatorGap, MacPresenceGap> gap_;
};

} // namespace tarvo
