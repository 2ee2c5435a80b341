#pragma once

#include <chrono>
#include <thread>

#include "TarvoBase/RunLoop.h"

namespace tarvo::testing {

// Runs what the loop has ready until `done()` holds or `limit` has passed; whether it held. For
// work that arrives from the desktop's threads, which posts to the loop when it comes.
template <typename Done>
bool waitOnLoop(RunLoop& loop, Done done, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        loop.runReady();
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace tarvo::testing
