#pragma once

#include <functional>
#include <memory>

#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Operator/OperatorWakeSignal.h"

namespace tarvo {

// The operator's long-poll link to the service. It lives on the main loop for the life of the
// program.
class OperatorLink {
public:
    // The current service client, nothing when there is none.
    using ClientSource = std::function<std::shared_ptr<BrainClient>()>;
    // Whether this computer is signed in.
    using SignedIn = std::function<bool()>;

    virtual ~OperatorLink() = default;

    // Keeps the two callbacks, and starts the poll loop and the reporting of stored operator stops
    // unless an earlier call started them.
    virtual void start(ClientSource client, SignedIn signedIn) = 0;

    // Ends the live run at once, if there is one, because the user turned the operate switch off.
    virtual void stopBecauseSwitchedOff() = 0;

    // Holds or releases the computer's wakefulness as the keep-awake switch and the link's state
    // now call for.
    virtual void refreshKeepAwake() = 0;

    // Signalling it cuts the link's waiting poll short, such as when this computer was just
    // signed in.
    const std::shared_ptr<OperatorWakeSignal> wake = OperatorWakeSignal::make();
};

} // namespace tarvo
