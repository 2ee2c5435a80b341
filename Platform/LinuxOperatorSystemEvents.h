#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCore/Operator/OperatorSystemEvents.h"

namespace tarvo {

// What a Linux computer tells of sleep, wake, screen lock and its displays: logind's signals on
// the system bus (the coming sleep and the wake, and the lock, unlock and activity of this
// program's own session), and the displays' sleep read every 2 s, since nothing announces it.
// One thread of its own listens and reads; the handlers run on the loop that called `watch`.
// Without a system bus or logind there are none of logind's events, and the log says so once.
class LinuxOperatorSystemEvents final : public OperatorSystemEvents {
public:
    // Whether every display is asleep; nothing when it cannot tell. Called on this object's
    // thread.
    using DisplaysAsleep = std::function<std::optional<bool>()>;

    static constexpr std::chrono::milliseconds displayInterval{2000};
    // A logind that has not answered by then is taken for none.
    static constexpr std::chrono::seconds callTimeout{5};

    // `busAddress` names the bus logind is on; nothing is the system bus.
    LinuxOperatorSystemEvents(std::optional<std::string> busAddress, DisplaysAsleep displaysAsleep,
                              std::chrono::milliseconds displaysEvery = displayInterval);
    // Stops listening; no handler runs after this returns but those already posted to the loop.
    ~LinuxOperatorSystemEvents() override;

    LinuxOperatorSystemEvents(const LinuxOperatorSystemEvents&) = delete;
    LinuxOperatorSystemEvents& operator=(const LinuxOperatorSystemEvents&) = delete;

    void watch(Handlers handlers) override;

private:
    class Listener;

    const std::optional<std::string> busAddress_;
    const DisplaysAsleep displaysAsleep_;
    const std::chrono::milliseconds displaysEvery_;
    FileDescriptor stop_;
    std::thread thread_;
};

} // namespace tarvo
