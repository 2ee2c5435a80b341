#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "TarvoBase/Clock.h"
#include "TarvoBase/Json.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Task.h"
#include "TarvoCompanion/Ports/Desktop.h"
#include "TarvoCompanion/Ports/Screens.h"
#include "TarvoCompanion/WhatsApp/ParkedWindow.h"
#include "TarvoCompanion/WhatsApp/WhatsAppSession.h"
#include "TarvoCore/Geometry/Size.h"
#include "TarvoCore/Ports/Opener.h"
#include "TarvoCore/WhatsApp/OpenOutcome.h"
#include "TarvoCore/WhatsApp/PageHost.h"
#include "TarvoCore/WhatsApp/PeekSchedule.h"
#include "TarvoCore/WhatsApp/RetryBudget.h"
#include "TarvoCore/WhatsApp/SentMessages.h"

namespace tarvo {

// WhatsApp Web hosted on this computer: the one object through which anything touches the page.
// It keeps the page loaded in its parked window, decides when the page counts as linked, shows
// it for linking, and runs scripts in it: plain ones (`evaluate`, for the probe) and reporting
// ones (`evaluateReporting`), the latter by jobs that hold the page through the gate
// (`drivingThePage`), one job at a time, first come first served.
//
// A reporting script given up on at its deadline is not over: a deadline on this side does not
// end it in the page. The gate stays held until the page answers it after all, for at most
// `abandonedScriptGrace` more, and past that the page is loaded again, which ends every script
// in it. The page's `stopFlag` is set meanwhile, so that a script that reads it before each press
// stops pressing.
//
// Lives on the main loop, owned by a shared_ptr (its tasks keep it alive to their end).
class HostedWhatsAppSession final : public WhatsAppSession,
                                    public ParkedWindow::Delegate,
                                    public std::enable_shared_from_this<HostedWhatsAppSession> {
public:
    using Seconds = std::chrono::duration<double>;

    // What a reporting script came to: its answer when it settled with a string, and why there is
    // none when it failed or was given up on, with the page host's kind of failure.
    struct ScriptAnswer {
        std::optional<std::string> answer;
        std::optional<std::string> reason;
        std::optional<PageHost::Failure::Kind> failure;

        bool operator==(const ScriptAnswer&) const = default;
    };

    struct Parts {
        std::shared_ptr<PageHost> page;
        std::shared_ptr<SettingsStore> defaults;
        std::shared_ptr<Screens> screens;
        std::shared_ptr<Desktop> desktop;
        // Shows the picture of the linking code.
        std::shared_ptr<Opener> opener;
        // The user's own folder that pictures are staged under for a paste, as for outgoing files.
        std::filesystem::path userFolder;
        // Where the picture of the linking code goes while the page is shown for linking on a
        // computer whose browser has no screen; empty for none.
        std::filesystem::path linkPicture;
    };

    // The page is laid out at this size: the chat list the scripts walk is virtualised, so which
    // of its rows exist depends on the height.
    static constexpr Size pageSize{1100, 800};
    static constexpr std::string_view windowTitle = "WhatsApp";
    static constexpr std::string_view linkingTitle = "WhatsApp — scan this with your phone";
    // The longest a probe, or any other plain script, may take.
    static constexpr std::chrono::seconds probeLimit{10};
    static constexpr std::chrono::seconds navigationLimit{60};
    // How long past its deadline a reporting script given up on may go on before the page is
    // loaded again to end it.
    static constexpr std::chrono::seconds abandonedScriptGrace{60};
    // What a reporting script without a deadline may take before the page is loaded again.
    static constexpr std::chrono::hours unboundedScriptLimit{1};
    // The page's global that is true while the script running in it has been given up on; a
    // script reads it before each press and ends at once when it is set.
    static constexpr std::string_view stopFlag = "tarvoStop";
    // How long after a paste the user's pasteboard comes back.
    static constexpr std::chrono::seconds pasteboardRestoreDelay{2};
    // The folder of pictures staged for a paste, beside the outgoing files.
    static constexpr std::string_view pictureFolderName = "TarvoOutgoing";
    // The picture of the linking code, in the program's runtime folder.
    static constexpr std::string_view linkPictureName = "whatsapp-link.png";

    // What the capture passes keep between them: the baseline of chat-row prints, the rotating
    // start of the chat budget, the one-time sweep that reads every conversation (0 not started,
    // -1 running, 1 done) and the stored peek schedule.
    static constexpr std::string_view rowPrintsKey = "TarvoWhatsappRowPrints";
    static constexpr std::string_view captureCursorKey = "TarvoWhatsappCaptureCursor";
    static constexpr std::string_view sweepVersionKey = "TarvoWhatsappSweepVersion";
    static constexpr std::string_view peekScheduleKey = "TarvoWhatsappPeekSchedule";
    static constexpr int chatLimit = 6;
    static constexpr int messageLimit = 40;
    static constexpr int bootstrapChats = 3;
    static constexpr int peekMessageLimit = 20;

    explicit HostedWhatsAppSession(Parts parts);

    HostedWhatsAppSession(const HostedWhatsAppSession&) = delete;
    HostedWhatsAppSession& operator=(const HostedWhatsAppSession&) = delete;

    // The answer of the last probe.
    const SessionState& state() const { return state_; }

    Task<SessionState> settledState() override;
    std::optional<SessionState> settledStateIfKnown() override;
    Task<SessionState> refreshState() override;
    void reparkIfOnScreen() override;
    void showForLinking() override;
    bool showingForLinking() const override { return showingForLinking_; }
    void setShowingForLinking(bool showing) override { showingForLinking_ = showing; }
    void park() override;
    Task<SendOutcome> send(std::string conversationRef, std::string body, std::vector<OutgoingFile> files,
                           std::optional<std::string> name) override;
    Task<ReadResult> readNew() override;
    std::set<std::string> reopenNextPass(const IngestPass& pass) override;
    const std::string& peekLine() const override { return peekLine_; }
    WhatsAppWeb::SentMessages& sent() override { return sent_; }

    // The page, given its user agent, document-start script and size and parked in its window
    // the first time.
    PageHost& webView();
    // Nothing until the page was first used.
    ParkedWindow* window() const { return window_.get(); }
    bool windowShouldClose(ParkedWindow& window) override;

    // Starts loading the page when nothing is loaded in it, and returns.
    void load();
    // Starts loading the page again, and returns; nothing while a job holds the page.
    void renavigate(std::string because);
    // The page no longer counts as linked: the next question about its state asks it again.
    void forgetSettled(std::string why);
    // Changes whenever the page may have become another document: each load and each end of
    // the browser that held it.
    std::uint64_t pageGeneration() const { return pageGeneration_; }

    static std::string describe(const SessionState& state);

    // Runs a script in the page and answers its value when that is a string; a script that
    // throws, or has not answered within `probeLimit`, is logged and answers nothing.
    Task<std::optional<std::string>> evaluate(std::string script);
    // Runs `body` as the body of an asynchronous function in the page's own world, each member of
    // `arguments` one named argument, and answers what it settles with, or why it did not, by
    // `within` at the latest. Each failure is logged.
    Task<ScriptAnswer> evaluateReporting(std::string body, Json arguments, std::optional<Seconds> within);

    // Runs `job` while holding the page; jobs run one at a time in the order they asked. Name
    // the job before awaiting this (rule 1 of TarvoBase/Task.h).
    template <class T>
    Task<T> drivingThePage(std::function<Task<T>()> job);
    // Whether a job holds the page, or the page is being handed to the next.
    bool driving() const { return driving_; }

    // A picture's copy in the staging folder, for a paste; nothing for a file that is not a
    // picture or cannot be written (logged).
    std::optional<std::filesystem::path> stageForPaste(const OutgoingFile& file) const;
    // Pastes the staged picture into the page with a real Command-V, borrowing the user's
    // pasteboard for `pasteboardRestoreDelay`; true when the keys were delivered, which is not to
    // say the page took the picture.
    Task<bool> pasteImageNatively(std::filesystem::path staged);
    // A real Return into the page, unless the user is working in the program.
    Task<void> pressReturnNatively();

private:
    // Steps of the capture pass while it holds the page.
    Task<ReadResult> readHoldingThePage();
    ReadResult answered(const std::string& answer, std::int64_t sweep);
    // The baseline to keep until the messages of `toPost` reached the service.
    void storeGuardedPrints(const std::vector<std::string>& known, const ReadResult& toPost);
    WhatsAppWeb::PeekSchedule& peeks();
    std::vector<std::string> storedPrints() const;
    std::int64_t storedInt(std::string_view key) const;
    void storeSchedule();

    // Steps of the send while it holds the page.
    Task<SendOutcome> sendHoldingThePage(std::string conversationRef, std::string body, std::vector<OutgoingFile> files,
                                         std::optional<std::string> name);
    Task<std::optional<WhatsAppWeb::OpenOutcome>> openOnce(std::string conversationRef, std::optional<std::string> name);
    // Opens the conversation, by the deep link when the list does not have it; the sentence for
    // the person when it did not open.
    Task<std::optional<std::string>> openForSend(std::string conversationRef, std::optional<std::string> name);
    // Hands file `index` of `count` to the page; nothing when it went, else the sentence.
    Task<std::optional<std::string>> sendFile(OutgoingFile file, int index, int count, std::uint64_t generation);
    Task<SendOutcome> sendWords(std::string body, int fileCount, std::uint64_t generation);
    // A script of the send, given up on at `limit`.
    Task<ScriptAnswer> runForSend(std::string body, Json arguments, std::chrono::seconds limit);
    Task<void> logReport(std::string script, std::chrono::seconds limit, std::string heading);
    // Whether the file the attachment script pressed send for has left the page.
    Task<bool> mediaGone();
    void loadDeepLink(std::string address);

    void parkPage(std::shared_ptr<PageHost> page);
    std::unique_ptr<ParkedWindow> makeHostWindow(std::shared_ptr<PageHost> page);
    bool enabled() const;
    Clock::Instant now() const;
    // Starts the navigation; the result settles once it has loaded or failed.
    std::shared_ptr<OneShotResult<void>> startNavigation();
    std::shared_ptr<OneShotResult<void>> reload(const std::string& because);
    void pageEnded();
    Task<void> showLinkPicture();
    void removeLinkPicture() const;
    static Task<void> backgroundProbe(std::shared_ptr<HostedWhatsAppSession> self, Clock::Instant navigationStart);

    // Makes the host window key for the keys and gives the key window back; answers why the keys
    // did not reach the page, empty when they did.
    Task<std::string> pressAsKey(Desktop::KeyTarget target, std::vector<Desktop::KeyEvent> keys);

    Task<void> takeThePage();
    void letGoOfThePage();
    void handOver();
    // Whether a script this session started in the page has not ended yet.
    bool scriptsStillRunning();
    void raiseStopFlag();
    static Task<void> handOverWhenQuiet(std::shared_ptr<HostedWhatsAppSession> self);

    const std::shared_ptr<PageHost> page_;
    const std::shared_ptr<SettingsStore> defaults_;
    const std::shared_ptr<Screens> screens_;
    const std::shared_ptr<Desktop> desktop_;
    const std::shared_ptr<Opener> opener_;
    const std::filesystem::path userFolder_;
    const std::filesystem::path linkPicture_;

    SessionState state_ = SessionState::needsLink();
    std::shared_ptr<PageHost> web_;
    std::unique_ptr<ParkedWindow> window_;
    bool showingForLinking_ = false;
    std::optional<Clock::Instant> navigationStartedAt_;
    std::optional<SessionState> settled_;
    bool backgroundProbeRunning_ = false;
    bool driving_ = false;
    std::deque<std::shared_ptr<OneShotResult<void>>> waitingToDrive_;
    WhatsAppWeb::SentMessages sent_;
    WhatsAppWeb::RetryBudget blankRowRetries_{WhatsAppWeb::RetryBudget::defaultLimit};
    WhatsAppWeb::RetryBudget ingestRetries_{WhatsAppWeb::RetryBudget::defaultLimit};
    // Read from the settings on first use.
    std::optional<WhatsAppWeb::PeekSchedule> peeks_;
    std::string peekLine_;
    // The whole baseline of the last answered pass, stored once its messages were posted.
    std::optional<std::vector<std::string>> printsAfterPosting_;

    // Whether the page was sent somewhere since it was made: a new browser's page has nothing.
    bool pageHasAddress_ = false;
    std::uint64_t pageGeneration_ = 0;
    // A reporting script (or stop flag) sent to the page.
    struct PageScript {
        std::shared_ptr<OneShotResult<void>> ended = std::make_shared<OneShotResult<void>>();
        // The page host gave up on it too, so it may still be running in the page.
        bool mayRunOn = false;
    };
    // The scripts not known to be over: not ended yet, or given up on by the page host and not
    // yet ended by a load of the page.
    std::vector<std::shared_ptr<PageScript>> scriptsInPage_;
    static Task<void> runReporting(std::shared_ptr<PageHost> page, std::string body, Json arguments,
                                   Clock::Duration limit, std::optional<Seconds> within,
                                   std::function<void(ScriptAnswer)> give, std::shared_ptr<PageScript> script);
    static Task<void> raise(std::shared_ptr<PageHost> page, std::shared_ptr<PageScript> flag);
    bool linkPictureShown_ = false;
};

template <class T>
Task<T> HostedWhatsAppSession::drivingThePage(std::function<Task<T>()> job) {
    co_await takeThePage();
    std::exception_ptr failed;
    if constexpr (std::is_void_v<T>) {
        try {
            co_await job();
        } catch (...) {
            failed = std::current_exception();
        }
        letGoOfThePage();
        if (failed) std::rethrow_exception(failed);
    } else {
        std::optional<T> result;
        try {
            result.emplace(co_await job());
        } catch (...) {
            failed = std::current_exception();
        }
        letGoOfThePage();
        if (failed) std::rethrow_exception(failed);
        co_return std::move(*result);
    }
}

} // namespace tarvo
