#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"

namespace tarvo {

// One actionable element of a screen read.
struct MacElementInfo {
    // The most elements sent in one result.
    static constexpr std::size_t limit = 200;

    // "generation.number".
    std::string id;
    std::string role;
    std::string label;
    std::optional<bool> enabled;

    // An array of the first `limit` elements; roles cut to 60 units, labels to 200, "enabled"
    // only when it is known.
    static Json wire(const std::vector<MacElementInfo>& elements);

    bool operator==(const MacElementInfo&) const = default;
};

} // namespace tarvo
