#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoCore/Operator/MacCapabilityClass.h"
#include "TarvoCore/Operator/OperatorCaps.h"
#include "TarvoCore/Operator/OperatorStepOutcome.h"

namespace tarvo {

// The one place that decides whether an operator step may run on this computer now: the run that
// is live here, the runs stopped here, and the readiness rules that turn the computer's
// conditions into an admission or a whole refusal sentence. Shared by the link, the executor and
// the menu, on any thread; each operation holds the one lock for its whole body and calls nothing
// outside it.
class OperatorSession {
public:
    // The computer's readiness at one moment. Set the fields by name: there is deliberately no
    // constructor that takes them by position.
    struct Conditions {
        // The user's master Operate switch.
        bool switchOn = false;
        bool accessibility = false;
        bool screenRecording = false;
        bool signedIn = false;
        // Known to be unlocked, and on the console.
        bool unlockedAtScreen = false;
        // The process may post input events.
        bool postEvent = false;
        // Known to be granted.
        bool fullDiskAccess = false;
        // The user has granted access to the protected home folders.
        bool folderConsent = false;
        // Known to be asleep.
        bool displayAsleep = false;
        // The keep-awake setting.
        bool keepAwake = false;

        // With no reading nothing is ready but `signedIn`, which is as given; an unknown reading
        // counts as not granted, and an unknown display as awake.
        static Conditions from(const std::optional<OperatorCaps>& caps, bool signedIn);

        bool operator==(const Conditions&) const = default;
    };

    enum class NotReady {
        switchedOff,
        noAccessibility,
        noScreenRecording,
        signedOut,
        lockedOrAway,
        cannotPostEvents,
        noFullDiskAccess,
        displayAsleep,
    };
    static constexpr std::array<NotReady, 8> allNotReady{
        NotReady::switchedOff,    NotReady::noAccessibility,  NotReady::noScreenRecording, NotReady::signedOut,
        NotReady::lockedOrAway,   NotReady::cannotPostEvents, NotReady::noFullDiskAccess,  NotReady::displayAsleep,
    };
    // Equal to the case's name.
    static std::string_view rawValue(NotReady reason);
    // Exactly one of the case names; nothing for any other text.
    static std::optional<NotReady> notReady(std::string_view rawValue);

    class Admission {
    public:
        static Admission admitted() { return Admission(std::nullopt); }
        static Admission refused(std::string sentence) { return Admission(std::move(sentence)); }

        bool isAdmitted() const { return !refusal_; }
        // The refusal sentence; nothing when admitted.
        const std::optional<std::string>& refusal() const { return refusal_; }

        bool operator==(const Admission&) const = default;

    private:
        explicit Admission(std::optional<std::string> refusal) : refusal_(std::move(refusal)) {}
        std::optional<std::string> refusal_;
    };

    // The question a step of the live run was held with, waiting for the user's press.
    using HeldQuestion = OperatorStepOutcome::NeedsPress;

    static constexpr std::string_view stoppedSentence = "You stopped Tarvo on the Mac, so this step did not run.";
    static constexpr std::string_view barNotShownSentence =
        "The \u201CTarvo is operating this Mac\u201D bar was not on screen, so nothing was done.";
    static constexpr std::string_view notOperableSentence =
        "This Mac could not be operated when the step arrived (switched off, locked, or a permission removed), so "
        "nothing was done.";
    static constexpr std::string_view lockedSentence =
        "The Mac is locked, so Tarvo did not look, click or type. It can still find and read files.";
    static constexpr std::string_view displayAsleepSentence =
        "The Mac's display is asleep, so Tarvo did not look, click or type. Turn on \u201CKeep my Mac awake while "
        "Tarvo works\u201D in the Tarvo menu to let it wake the display.";
    static constexpr std::string_view restartSentence =
        "Tarvo needs to be restarted on the Mac before it can click or type, so nothing was done.";

    // Held questions kept for the live run; the oldest goes first.
    static constexpr std::size_t heldQuestionsKept = 16;

    // No run is live; the ids given stay stopped for the life of the session.
    explicit OperatorSession(const std::vector<std::string>& stopped = {});

    OperatorSession(const OperatorSession&) = delete;
    OperatorSession& operator=(const OperatorSession&) = delete;

    std::optional<std::string> liveRunId() const;
    // False, and nothing changes, for a stopped run. Otherwise the run becomes the live one,
    // replacing any other without stopping it.
    bool begin(const std::string& runId);
    // The live run, now stopped; nothing when no run was live.
    std::optional<std::string> stop();
    // The service ended the run: it is stopped, and no longer live if it was.
    void ended(const std::string& runId);
    bool isStopped(const std::string& runId) const;
    // The run is the live one, and so not stopped.
    bool isLive(const std::string& runId) const;

    // Stopped, not live or another run live; then the readiness of the class; then the bar. The
    // caller reads the conditions and the bar before, so nothing waits under the lock.
    Admission admit(const std::string& runId, MacCapabilityClass klass, bool indicatorShown,
                    const Conditions& conditions) const;

    // Keeps the question a step of the live run was held with, under the digest of the step
    // object the user will be asked to press for. A run that is not live keeps nothing.
    void holdQuestion(const std::string& runId, const std::string& digest, HeldQuestion question);
    // The question held under that run and digest, taken out so it approves one step only.
    std::optional<HeldQuestion> takeHeldQuestion(const std::string& runId, const std::string& digest);

    // In the order the rules name them.
    static std::vector<NotReady> refusals(const Conditions& conditions, MacCapabilityClass klass);
    // Nothing when the class is ready.
    static std::optional<std::string> refusalSentence(const Conditions& conditions, MacCapabilityClass klass);
    // Names the permissions in the list, in its order.
    static std::string permissionSentence(const std::vector<NotReady>& list);
    // In case order.
    static std::vector<MacCapabilityClass> readyClasses(const Conditions& conditions);
    // The raw values of the ready classes but "consequential", sent with each poll.
    static std::vector<std::string> can(const Conditions& conditions);
    static std::vector<NotReady> pollRefusals(const Conditions& conditions);
    static bool mayPoll(const Conditions& conditions);
    // Switched off or signed out: the run cannot go on.
    static bool endsTheRun(const Conditions& conditions);

private:
    struct Held {
        std::string digest;
        HeldQuestion question;
    };

    mutable std::mutex lock_;
    std::optional<std::string> live_;
    std::set<std::string> stopped_;
    // Always for the live run, oldest first.
    std::deque<Held> held_;
};

} // namespace tarvo
