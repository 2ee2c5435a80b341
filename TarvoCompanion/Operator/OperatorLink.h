#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Operator/OperatorSession.h"
#include "TarvoCore/Operator/OperatorStopLedger.h"
#include "TarvoCore/Operator/OperatorWakeSignal.h"

namespace tarvo {

// The operator's long-poll link to the service. It lives on the main loop for the life of the
// program and owns the operator's state: the session, the stops kept until the service heard of
// them, and the bar and stop key of the live run.
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

    // The run the bar is raised for; nothing while it is lowered.
    virtual std::optional<std::string> liveRunId() const = 0;
    virtual OperatorSession& session() = 0;
    virtual OperatorStopLedger& stops() = 0;

    // Hides the bar, lets go of the stop key and forgets the live run, then holds the computer
    // awake only as far as it is still wanted.
    virtual void lowerBar() = 0;
    // Reports the stops the service has not heard of yet, one reporter at a time.
    virtual void reportStops() = 0;
    // Takes or lets go of the idle-sleep hold as the settings, the sign-in, the power source and
    // the live run now want it.
    virtual void refreshKeepAwake() = 0;
    // The user turned the Operate switch off: a live run ends here and now.
    virtual void stopBecauseSwitchedOff() = 0;

    // Signalling it cuts the link's waiting poll short, such as when this computer was just
    // signed in.
    const std::shared_ptr<OperatorWakeSignal> wake = OperatorWakeSignal::make();
};

} // namespace tarvo
