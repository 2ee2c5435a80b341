#pragma once

#include <functional>

#include "TarvoCore/Operator/OperatorCaps.h"
#include "TarvoCore/Operator/OperatorConditionsReading.h"

namespace tarvo {

// The computer's readiness as the step executor re-checks it while a step runs: a capability
// reading taken now, never the latest one kept, since a permission can be taken away between two
// readings. The keep-awake choice is the user's setting, whatever the reading says.
class LiveOperatorConditions final : public OperatorConditionsReading {
public:
    struct Sources {
        std::function<bool()> signedIn;
        // The user's Operate switch.
        std::function<bool()> allowed;
        std::function<bool()> keepAwake;
        // A reading with the switch as given. Blocks, since it runs programs: taken on a worker.
        std::function<OperatorCaps(bool enabled)> read;
    };

    explicit LiveOperatorConditions(Sources sources) : sources_(std::move(sources)) {}

    Task<OperatorSession::Conditions> current() override;

private:
    Sources sources_;
};

} // namespace tarvo
