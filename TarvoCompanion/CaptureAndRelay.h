#pragma once

#include <memory>
#include <string>

#include "TarvoBase/Task.h"
#include "TarvoClient/BrainClient.h"

namespace tarvo {

// The capture and relay passes over the channels, as the tick and the timers run them. Each
// returns at once when it has nothing it can do: no client, no channel id, no settled page.
class CaptureAndRelay {
public:
    virtual ~CaptureAndRelay() = default;

    // One run of the relay-job runner: claims jobs, sends each and reports it. The caller makes
    // sure that two runs never overlap.
    virtual Task<void> runRelayJobs() = 0;

    // The full Messages pass after the capture cursor, followed by the message-events pass.
    virtual Task<void> capture() = 0;

    // The WhatsApp pass.
    virtual Task<void> captureWhatsApp() = 0;

    // The live pass over the newest Messages rows, with this client and iMessage channel id.
    virtual Task<void> captureRecentFirst(std::shared_ptr<BrainClient> client, std::string channelId) = 0;
};

} // namespace tarvo
