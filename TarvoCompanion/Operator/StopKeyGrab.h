#pragma once

#include <functional>

namespace tarvo {

// The global key that stops a live run, held while the bar is up. Called on the main loop.
class StopKeyGrab {
public:
    virtual ~StopKeyGrab() = default;

    // Holds the key; a press runs `onPress` on the main loop. Holding it again changes nothing.
    virtual void grab(std::function<void()> onPress) = 0;
    // Lets go of the key; a key not held stays so.
    virtual void release() = 0;
};

} // namespace tarvo
