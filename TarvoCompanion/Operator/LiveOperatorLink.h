#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/OperatorEndCode.h"
#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Task.h"
#include "TarvoClient/OperatorNextAnswer.h"
#include "TarvoCompanion/Operator/OperatingBar.h"
#include "TarvoCompanion/Operator/OperatorLink.h"
#include "TarvoCompanion/Operator/StopKeyGrab.h"
#include "TarvoCore/Operator/AccessibilityReading.h"
#include "TarvoCore/Operator/Acting.h"
#include "TarvoCore/Operator/AppListing.h"
#include "TarvoCore/Operator/FileOperating.h"
#include "TarvoCore/Operator/FileRefTable.h"
#include "TarvoCore/Operator/IdleSleepHold.h"
#include "TarvoCore/Operator/MacCapabilityClass.h"
#include "TarvoCore/Operator/MacSystemCalls.h"
#include "TarvoCore/Operator/OperatorCaps.h"
#include "TarvoCore/Operator/OperatorExecutor.h"
#include "TarvoCore/Operator/ScreenCapturing.h"

namespace tarvo {

// The operator link that talks to the service: one long poll open at a time, raced against the
// wake signal and a time limit, each step handed to the executor and its outcome posted, the
// run ended here when the user, the service or the computer's conditions say so, and every stop
// made here reported until the service heard of it. A poll the race gave up on is adopted: its
// late step is still run and answered. Lives on the main loop; its tasks hold it weakly.
class LiveOperatorLink final : public OperatorLink, public std::enable_shared_from_this<LiveOperatorLink> {
public:
    // What the link reads of the operator's permissions.
    struct Readiness {
        // The latest capability reading recent enough to stand for now.
        std::function<std::optional<OperatorCaps>()> current;
        // The latest reading published, however old.
        std::function<std::optional<OperatorCaps>()> published;
        // The user's Operate switch.
        std::function<bool()> allowed;
        // The user's choice to keep the computer awake while the service works.
        std::function<bool()> keepAwake;
    };

    // The step ports of the desktop, made once, for the first step that parses.
    struct StepPorts {
        std::shared_ptr<AppListing> apps;
        std::shared_ptr<ScreenCapturing> screen;
        std::shared_ptr<AccessibilityReading> accessibility;
        std::shared_ptr<Acting> acts;
    };
    // The service client of the moment for the file operator's uploads, null while signed out.
    using FileClientSource = std::function<Task<std::shared_ptr<BrainClient>>()>;

    struct Services {
        // Where the stops and the file-reference key are kept.
        std::shared_ptr<SettingsStore> settings;
        Readiness readiness;
        std::shared_ptr<OperatingBar> bar;
        std::shared_ptr<StopKeyGrab> stopKey;
        // For waking a sleeping display.
        std::shared_ptr<const MacSystemCalls> system;
        // A capability reading taken now with the switch as given; blocks, so it is taken on a
        // worker.
        std::function<OperatorCaps(bool enabled)> readCaps;
        std::function<StepPorts()> makeStepPorts;
        std::function<std::shared_ptr<FileOperating>(FileClientSource)> makeFiles;
        IdleSleepHold::Begin holdBegin;
        IdleSleepHold::End holdEnd;
        // A number in [0, 1) for spreading the waits after failures; uniform when not given.
        std::function<double()> random;
    };

    static constexpr std::int64_t pollWait = 25;
    static constexpr std::chrono::duration<double> pollLimit{30.0};
    // Before asking again while polling is not allowed.
    static constexpr double notAllowedPause = 15.0;
    static constexpr std::chrono::milliseconds displayCheckEvery{200};
    static constexpr int displayReadingsAtMost = 10;
    static constexpr std::string_view notSentSentence =
        "Tarvo could not send what it read on the Mac, so this step did not finish.";

    explicit LiveOperatorLink(Services services);

    void start(ClientSource client, SignedIn signedIn) override;

    std::optional<std::string> liveRunId() const override { return liveRunId_; }
    OperatorSession& session() override { return *session_; }
    OperatorStopLedger& stops() override { return stops_; }
    void lowerBar() override;
    void reportStops() override;
    void refreshKeepAwake() override;
    void stopBecauseSwitchedOff() override;

    // The current service client, nothing before `start` or while there is none.
    std::shared_ptr<BrainClient> client() const { return client_ ? client_() : nullptr; }
    bool signedIn() const { return signedIn_ && signedIn_(); }
    const IdleSleepHold& sleepHold() const { return sleepHold_; }
    std::int64_t generation() const { return generation_; }

private:
    using Poll = std::shared_ptr<OneShotResult<OperatorNextAnswer>>;

    static Task<void> pollLoop(std::weak_ptr<LiveOperatorLink> link);
    // One pass of the loop: the seconds to pause before the next.
    Task<double> turn();
    Task<double> answered(std::exception_ptr failure, std::optional<OperatorNextAnswer> answer,
                          std::shared_ptr<BrainClient> client);
    static Poll startPoll(std::shared_ptr<BrainClient> client, std::optional<std::string> holding,
                          std::vector<std::string> can);
    static Task<void> polling(std::shared_ptr<BrainClient> client, std::optional<std::string> holding,
                              std::vector<std::string> can, Poll into);
    // Ends when the poll has its answer, rethrowing its failure; the answer stays in the poll.
    static Task<bool> settled(Poll poll);
    void adopt(Poll poll, std::shared_ptr<BrainClient> client);
    static Task<void> adopted(std::weak_ptr<LiveOperatorLink> link, Poll poll, std::shared_ptr<BrainClient> client);
    OperatorSession::Conditions conditionsNow() const;

    Task<void> handleStep(OperatorNextAnswer answer, std::shared_ptr<BrainClient> client);
    Task<void> post(std::string stepId, OperatorStepOutcome outcome, std::shared_ptr<BrainClient> client);
    void raiseBar(const std::string& runId);
    Task<void> wakeDisplayIfNeeded(MacCapabilityClass klass);
    OperatorExecutor& executor();
    static Task<std::shared_ptr<BrainClient>> clientOf(std::weak_ptr<LiveOperatorLink> link);

    // The run ends here: stopped in the session, kept in the ledger with `by`, the bar lowered
    // and the stop reported.
    void stopLocally(std::string_view by, OperatorEndCode code);
    // A stop action for the bar or the key, which does nothing once the link is gone.
    std::function<void()> stopAction(std::string_view by, OperatorEndCode code);
    void endedByBrain(const std::string& runId);
    static Task<void> reportingStops(std::weak_ptr<LiveOperatorLink> link);

    std::shared_ptr<SettingsStore> settings_;
    Readiness readiness_;
    std::shared_ptr<OperatingBar> bar_;
    std::shared_ptr<StopKeyGrab> stopKey_;
    std::shared_ptr<const MacSystemCalls> system_;
    std::function<OperatorCaps(bool enabled)> readCaps_;
    std::function<StepPorts()> makeStepPorts_;
    std::function<std::shared_ptr<FileOperating>(FileClientSource)> makeFiles_;
    std::function<double()> random_;

    std::optional<std::string> liveRunId_;
    OperatorStopLedger stops_;
    std::shared_ptr<OperatorSession> session_;
    std::shared_ptr<FileRefTable> fileRefs_;
    IdleSleepHold sleepHold_;
    std::optional<OperatorExecutor> executor_;
    ClientSource client_;
    SignedIn signedIn_;
    bool loopStarted_ = false;
    bool reporting_ = false;
    std::int64_t generation_ = 0;
    std::int64_t pollFailures_ = 0;
};

} // namespace tarvo
