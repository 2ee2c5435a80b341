#include "TarvoCompanion/Operator/SimulatedOperatorLink.h"

namespace tarvo {

void SimulatedOperatorLink::start(ClientSource client, SignedIn signedIn) {
    client_ = std::move(client);
    signedIn_ = std::move(signedIn);
    loopsStarted_ = 1;
}

void SimulatedOperatorLink::lowerBar() {
    liveRunId_.reset();
    ++barsLowered_;
}

} // namespace tarvo
