#pragma once

#include <chrono>
#include <cstdint>

namespace tarvo {

// The wait before the next stop report or operator poll after a failure.
class OperatorBackoff {
public:
    static constexpr std::chrono::duration<double> cap{30.0};

    // `random` is a number in [0, 1) that spreads the waits of many computers; `status` is the
    // last HTTP status, any other number when there was none. 403 and 404 wait a minute; 429
    // waits the cap; otherwise the wait doubles from about a second up to the cap.
    static std::chrono::duration<double> delay(std::int64_t failures, std::int64_t status, double random);
};

} // namespace tarvo
