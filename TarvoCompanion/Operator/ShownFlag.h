#pragma once

#include <mutex>

namespace tarvo {

// Whether the operating bar is on screen, readable from any thread: the step executor asks it
// before every act, wherever it runs.
class ShownFlag {
public:
    bool shown() const {
        const std::lock_guard hold(lock_);
        return shown_;
    }
    void set(bool shown) {
        const std::lock_guard hold(lock_);
        shown_ = shown;
    }

private:
    mutable std::mutex lock_;
    bool shown_ = false;
};

} // namespace tarvo
