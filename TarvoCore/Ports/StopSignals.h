#pragma once

#include <functional>
#include <string_view>

namespace tarvo {

// The requests from outside to end the program: the user's interrupt and the system's request
// to terminate.
class StopSignals {
public:
    // Told the name of the request ("SIGINT", "SIGTERM"), on the main loop.
    using Handler = std::function<void(std::string_view name)>;

    virtual ~StopSignals() = default;

    // From now on every request runs `handler`; requests that came before are not replayed.
    virtual void onStop(Handler handler) = 0;
};

} // namespace tarvo
