#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "TarvoBase/Task.h"
#include "TarvoBase/Turnstile.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoCore/Operator/AccessibilityReading.h"
#include "TarvoCore/Operator/Acting.h"
#include "TarvoCore/Operator/CheckedFile.h"
#include "TarvoCore/Operator/AppListing.h"
#include "TarvoCore/Operator/FileOperating.h"
#include "TarvoCore/Operator/FileRefTable.h"
#include "TarvoCore/Operator/MacCapabilityClass.h"
#include "TarvoCore/Operator/MacPermissionPolicy.h"
#include "TarvoCore/Operator/MacPermit.h"
#include "TarvoCore/Operator/OperatorConditionsReading.h"
#include "TarvoCore/Operator/OperatorIndicator.h"
#include "TarvoCore/Operator/OperatorSession.h"
#include "TarvoCore/Operator/OperatorStepOutcome.h"
#include "TarvoCore/Operator/OperatorStepRequest.h"
#include "TarvoCore/Operator/ScreenCapturing.h"

namespace tarvo {

// The one gate through which an operator step reaches this computer. It admits the step through
// the session, checks the user's press, runs the step through the ports and answers one outcome;
// it never throws. Before anything it does on the computer after a wait it admits the step
// again, since a stop can land during any wait. Steps go through one at a time, in the order
// they came, however many copies of the executor run them: each holds the turn from before its
// first admission until its outcome. Run on the main loop.
class OperatorExecutor {
public:
    static constexpr std::string_view unknownStepSentence = "This Mac does not know that step, so it did nothing.";
    static constexpr std::string_view notOpenTail = " is not open on this Mac.";
    static constexpr std::string_view noFrontAppSentence = "No app is in front on this Mac.";
    static constexpr std::string_view captureFailedSentence = "The screenshot could not be taken.";
    static constexpr std::string_view screenTextFailedSentence = "The words on screen could not be read.";
    static constexpr std::string_view notThatFolderSentence = "Tarvo does not look in that folder.";
    static constexpr std::string_view searchFailedSentence = "The search of the Mac's files did not finish.";
    static constexpr std::string_view readFailedSentence = "That file could not be read.";
    static constexpr std::string_view sendFailedSentence = "That file could not be brought back.";
    static constexpr std::string_view namesNoAppSentence = "That act names no app.";
    static constexpr std::string_view notInstalledTail = " is not on this Mac.";
    static constexpr std::string_view notOpenedTail = " could not be opened.";
    static constexpr std::string_view stopKeysSentence = "Tarvo never presses its own Stop keys.";
    // "That did not work in " + app + "."
    static std::string actFailedSentence(std::string_view app);

    // A step admitted and past the press check, as a runner gets it.
    struct Admitted {
        std::string runId;
        // The service's id of the step.
        std::string stepId;
        OperatorStepRequest step;
        // Of the element ids every accessibility read of this step carries.
        std::int64_t generation = 0;
        // The question the user pressed to allow, when this is the very step the user pressed
        // for. A runner lets a hold pass only when it would ask this same question now.
        std::optional<OperatorSession::HeldQuestion> approvedFor;
        std::optional<MacPermit> permit;
    };
    using Runner = std::function<Task<OperatorStepOutcome>(Admitted)>;

    OperatorExecutor(std::shared_ptr<AppListing> apps, std::shared_ptr<ScreenCapturing> screen,
                     std::shared_ptr<AccessibilityReading> accessibility, std::shared_ptr<OperatorIndicator> indicator,
                     std::shared_ptr<OperatorSession> session, std::shared_ptr<OperatorConditionsReading> conditions,
                     std::shared_ptr<FileOperating> files, std::shared_ptr<FileRefTable> refs,
                     std::shared_ptr<Acting> acts);

    // One parsed step of a run. `raw` is the step object as it arrived, for the press digest;
    // `pressed` the digest the user's press sent back. With `pressed`, `raw` must parse to
    // `step` and its digest match; a press approves only a step this computer held and only for
    // the question it asked.
    Task<OperatorStepOutcome> run(std::string runId, std::string stepId, OperatorStepRequest step,
                                  std::int64_t generation, std::optional<JSONValue::Object> raw,
                                  std::optional<std::string> pressed, std::optional<MacPermit> permit) const;

    // A copy, sharing the turn with this one, whose admitted steps go to `runner` instead of the
    // executor's own runners: for testing the gate apart from what is behind it.
    OperatorExecutor dispatchingTo(Runner runner) const;

private:
    static Task<OperatorStepOutcome> runInTurn(OperatorExecutor self, std::string runId, std::string stepId,
                                               OperatorStepRequest step, std::int64_t generation,
                                               std::optional<JSONValue::Object> raw, std::optional<std::string> pressed,
                                               std::optional<MacPermit> permit);
    Task<OperatorStepOutcome> runAdmitting(std::string runId, std::string stepId, OperatorStepRequest step,
                                           std::int64_t generation, std::optional<JSONValue::Object> raw,
                                           std::optional<std::string> pressed, std::optional<MacPermit> permit) const;
    // The refusal sentence, or nothing when the step may go on: the conditions and the bar read
    // fresh, and a run no longer live refused before either is read.
    Task<std::optional<std::string>> admission(std::string runId, MacCapabilityClass klass) const;
    Task<OperatorStepOutcome> dispatch(Admitted admitted) const;

    // The step held with `question`, unless the user pressed for exactly that question: a press
    // allows what it was asked about, not what the step would ask now.
    static std::optional<OperatorStepOutcome> heldUnless(const std::optional<OperatorSession::HeldQuestion>& approvedFor,
                                                         OperatorSession::HeldQuestion question);
    static OperatorSession::HeldQuestion questionOf(MacPermissionPolicy::Hold hold);

    // A file a step names, checked and open; or the outcome that ends the step.
    struct Found {
        FileRefTable::Entry entry;
        CheckedFile file;
    };
    using Finding = std::variant<Found, OperatorStepOutcome>;

    Task<OperatorStepOutcome> listFiles(std::string runId, std::string query, std::int64_t limit,
                                        std::optional<std::string> folder) const;
    OperatorStepOutcome listing(const std::string& runId, const FoundFiles& found, std::int64_t limit) const;
    // Every check of the file a reference names, the open last; `failedSentence` words an open
    // that failed.
    Finding entry(const std::string& runId, const std::string& ref, std::string_view failedSentence) const;
    Task<OperatorStepOutcome> readFile(std::string runId, std::string ref,
                                       std::optional<OperatorSession::HeldQuestion> approvedFor,
                                       std::optional<MacPermit> permit) const;
    Task<OperatorStepOutcome> sendFile(std::string runId, std::string stepId, std::string ref,
                                       std::optional<OperatorSession::HeldQuestion> approvedFor,
                                       std::optional<MacPermit> permit) const;
    // The question a send of `found` asks now, if any.
    std::optional<OperatorSession::HeldQuestion> sendQuestion(const Found& found,
                                                              const std::optional<MacPermit>& permit) const;

    Task<OperatorStepOutcome> act(std::string runId, OperatorStepRequest step, std::int64_t generation,
                                  std::optional<OperatorSession::HeldQuestion> approvedFor,
                                  std::optional<MacPermit> permit) const;
    Task<OperatorStepOutcome> openApp(std::string runId, std::string app, std::int64_t generation,
                                      std::optional<OperatorSession::HeldQuestion> approvedFor,
                                      std::optional<MacPermit> permit) const;
    // The last checks, each made again right before the act, and the act on `front`: nothing is
    // awaited between the admission and the act.
    Task<OperatorStepOutcome> actInFront(std::string runId, OperatorStepRequest step, std::string app,
                                         RunningApp front, std::int64_t generation,
                                         std::optional<OperatorSession::HeldQuestion> approvedFor) const;
    // What an act does to `in`; throws when it could not be done.
    Task<void> perform(OperatorStepRequest step, RunningApp in) const;
    Task<OperatorStepOutcome> readAfter(std::string kind, RunningApp acted, std::int64_t generation) const;

    Task<OperatorStepOutcome> look(std::string runId, OperatorStepRequest step, std::int64_t generation) const;
    Task<OperatorStepOutcome> capture(std::string runId, std::optional<RunningApp> target) const;
    Task<OperatorStepOutcome> readScreenText(std::string runId, RunningApp target, std::int64_t generation) const;

    std::shared_ptr<AppListing> apps_;
    std::shared_ptr<ScreenCapturing> screen_;
    std::shared_ptr<AccessibilityReading> accessibility_;
    std::shared_ptr<OperatorIndicator> indicator_;
    std::shared_ptr<OperatorSession> session_;
    std::shared_ptr<OperatorConditionsReading> conditions_;
    std::shared_ptr<FileOperating> files_;
    std::shared_ptr<FileRefTable> refs_;
    std::shared_ptr<Acting> acts_;
    std::shared_ptr<Turnstile> turn_ = Turnstile::make();
    Runner runner_;
};

} // namespace tarvo
