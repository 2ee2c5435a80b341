#pragma once

#include <chrono>

namespace tarvo {

// The span the frequent live pass of the Messages capture reads, and whether that pass may
// move the capture cursor afterwards.
struct LiveWindow {
    std::chrono::system_clock::time_point since;
    bool mayAdvanceCursor = false;

    bool operator==(const LiveWindow&) const = default;
};

} // namespace tarvo
