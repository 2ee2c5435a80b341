#pragma once

#include <string>
#include <vector>

#include "TarvoBase/MemorySettingsStore.h"
#include "TarvoCompanion/Operator/OperatorLink.h"

namespace tarvo {

// An operator link that polls nothing, for tests. It keeps what it is started with, so that its
// callbacks can be asked, and records what it was asked to do.
class SimulatedOperatorLink final : public OperatorLink {
public:
    void start(ClientSource client, SignedIn signedIn) override;

    std::optional<std::string> liveRunId() const override { return liveRunId_; }
    OperatorSession& session() override { return session_; }
    OperatorStopLedger& stops() override { return stops_; }
    void lowerBar() override;
    void reportStops() override { ++reportsStarted_; }
    void stopBecauseSwitchedOff() override { calls_.emplace_back("stopBecauseSwitchedOff"); }
    void refreshKeepAwake() override { calls_.emplace_back("refreshKeepAwake"); }

    // The calls of `stopBecauseSwitchedOff` and `refreshKeepAwake`, by name, in the order made.
    const std::vector<std::string>& calls() const { return calls_; }

    // How many poll loops were started: one at most.
    int loopsStarted() const { return loopsStarted_; }
    std::shared_ptr<BrainClient> client() const { return client_ ? client_() : nullptr; }
    bool signedIn() const { return signedIn_ && signedIn_(); }
    int barsLowered() const { return barsLowered_; }
    int reportsStarted() const { return reportsStarted_; }

    // As if a step of `runId` had raised the bar.
    void raise(std::string runId) { liveRunId_ = std::move(runId); }

private:
    ClientSource client_;
    SignedIn signedIn_;
    int loopsStarted_ = 0;
    std::vector<std::string> calls_;
    MemorySettingsStore settings_;
    OperatorSession session_;
    OperatorStopLedger stops_{settings_};
    std::optional<std::string> liveRunId_;
    int barsLowered_ = 0;
    int reportsStarted_ = 0;
};

} // namespace tarvo
