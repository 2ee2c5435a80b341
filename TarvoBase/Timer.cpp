#include "TarvoBase/Timer.h"

namespace tarvo {

void Timer::invalidate() {
    if (state_) state_->valid = false;
}

bool Timer::isValid() const { return state_ && state_->valid; }

} // namespace tarvo
