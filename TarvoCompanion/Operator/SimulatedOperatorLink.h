#pragma once

#include <string>
#include <vector>

#include "TarvoCompanion/Operator/OperatorLink.h"

namespace tarvo {

// An operator link that polls nothing, for tests and for a computer without the operator's
// platform side. It keeps what it is started with, so that its callbacks can be asked.
class SimulatedOperatorLink final : public OperatorLink {
public:
    void start(ClientSource client, SignedIn signedIn) override;
    void stopBecauseSwitchedOff() override { calls_.emplace_back("stopBecauseSwitchedOff"); }
    void refreshKeepAwake() override { calls_.emplace_back("refreshKeepAwake"); }

    // The calls of `stopBecauseSwitchedOff` and `refreshKeepAwake`, by name, in the order made.
    const std::vector<std::string>& calls() const { return calls_; }

    // How many poll loops were started: one at most.
    int loopsStarted() const { return loopsStarted_; }
    std::shared_ptr<BrainClient> client() const { return client_ ? client_() : nullptr; }
    bool signedIn() const { return signedIn_ && signedIn_(); }

private:
    ClientSource client_;
    SignedIn signedIn_;
    int loopsStarted_ = 0;
    std::vector<std::string> calls_;
};

} // namespace tarvo
