#pragma once

#include <string>

namespace tarvo {

// One choice of how long a sent reply can still be called back.
struct RecallWindow {
    int seconds = 0;
    std::string label;

    bool operator==(const RecallWindow& other) const { return seconds == other.seconds; }
};

} // namespace tarvo
