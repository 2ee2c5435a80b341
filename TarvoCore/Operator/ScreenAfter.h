#pragma once

#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoCore/Operator/MacElementInfo.h"

namespace tarvo {

// The screen read taken right after an act.
struct ScreenAfter {
    std::string app;
    std::string text;
    bool truncated = false;
    std::optional<std::vector<MacElementInfo>> elements;

    // The app cut to 200 units, the text to 6000, and "elements" only when they were read.
    Json wire() const;

    bool operator==(const ScreenAfter&) const = default;
};

} // namespace tarvo
