#pragma once

#include <string>

namespace tarvo {

// One choice of how long a sent reply can still be called back, identified by its seconds.
struct RecallWindow {
    int seconds = 0;
    std::string label;

    bool operator==(const RecallWindow&) const = default;
};

} // namespace tarvo
