#pragma once

#include <memory>

#include "TarvoBase/Clock.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo::testing {

// A run loop whose clock moves only when the test moves it (`loop.advance(30s)`).
struct LoopWithFakeClock {
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    RunLoop loop{clock};
};

} // namespace tarvo::testing
