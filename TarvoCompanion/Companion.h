#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/ProcessRunner.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SaidOnce.h"
#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/HttpTransport.h"
#include "TarvoClient/PairingClient.h"
#include "TarvoCompanion/Arrivals/ArrivalNotifier.h"
#include "TarvoCompanion/Ports/LoggingNotificationCenter.h"
#include "TarvoCompanion/Ports/NotificationCenter.h"
#include "TarvoCompanion/Ports/BadgeIndicator.h"
#include "TarvoCompanion/Ports/MemoryBadgeIndicator.h"
#include "TarvoCompanion/AttachmentOutcome.h"
#include "TarvoCompanion/CaptureAndRelay.h"
#include "TarvoCompanion/CompanionCaptureReport.h"
#include "TarvoCompanion/CompanionSettings.h"
#include "TarvoCompanion/SetupWindow.h"
#include "TarvoCompanion/Ports/UnavailableSettingsPanes.h"
#include "TarvoCompanion/Operator/OperatorLink.h"
#include "TarvoCompanion/Operator/OperatorPermissions.h"
#include "TarvoCompanion/PanelWindow.h"
#include "TarvoCore/Panel/WebView.h"
#include "TarvoCompanion/WhatsApp/WhatsAppSession.h"
#include "TarvoCore/Ports/AlertPresenter.h"
#include "TarvoCore/Companion/AppNapHold.h"
#include "TarvoCore/Ports/BrowserLocator.h"
#include "TarvoCore/Companion/CaptureCursor.h"
#include "TarvoCore/Messages/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/Messages/ChatDatabaseCaptureReport.h"
#include "TarvoCore/Companion/CompanionState.h"
#include "TarvoCore/Messages/ContactDirectory.h"
#include "TarvoCore/Ports/ContactStore.h"
#include "TarvoCore/Ports/HeadlessAlertPresenter.h"
#include "TarvoCore/Companion/IngestedRecently.h"
#include "TarvoCore/Ports/LoginItem.h"
#include "TarvoCore/Ports/Opener.h"
#include "TarvoCore/Panel/CookieJar.h"
#include "TarvoCore/Ports/SecretStore.h"
#include "TarvoCore/Messages/MessagesSender/MessagesSender.h"
#include "TarvoCore/Relay/OutgoingFiles.h"
#include "TarvoCore/Relay/RelayJobReport.h"
#include "TarvoCore/Relay/RelayJobReporting.h"
#include "TarvoCore/Relay/RelayReportOutbox.h"
#include "TarvoCore/Relay/RelaySendLedger.h"
#include "TarvoCore/Relay/RelaySendVerdict.h"
#include "TarvoCore/Messages/MessageEvents/MessageEventsPass.h"
#include "TarvoCore/Operator/MacPermissionMode.h"
#include "TarvoCore/Relay/RelaySendLedger.h"

namespace tarvo {

// The one long-lived object of the program. It owns the channels, the capture cursor and the
// stored settings, and three repeating timers drive all of it: the 30 s tick, the 3 s relay
// runner and the 5 s live capture of Messages. It lives on the main loop. Its timers and hooks
// hold it weakly and do nothing once it is gone; a task that has begun keeps it alive to its end.
//
// One guard keeps ticks from overlapping each other or the live pass, and another keeps two
// relay runs apart. A tick asked for while one runs is owed, never lost and never doubled.
//
// The operations of the neighbouring pieces (the client of sign-in, the heartbeat, the capture
// and relay passes) are virtual, so that tests can stand in for them around the tick.
class Companion : public CaptureAndRelay, public std::enable_shared_from_this<Companion> {
public:
    // What the companion is built over.
    struct Services {
        std::shared_ptr<SettingsStore> defaults;
        std::string chatDatabasePath = ChatDatabase::defaultPath();
        std::shared_ptr<WhatsAppSession> whatsapp;
        std::shared_ptr<OperatorPermissions> operatorPermissions;
        std::shared_ptr<OperatorLink> operatorLink;
        // The road to the service, for its client and for pairing.
        std::shared_ptr<HttpTransport> session = nullptr;
        // Where the token pair is kept.
        std::shared_ptr<SecretStore> secrets = nullptr;
        // Shows the service's approval page in the browser.
        std::shared_ptr<Opener> opener = nullptr;
        // The panel's web view; none while this build has no panel.
        std::shared_ptr<WebView> panelWebView = nullptr;
        // The cookies of the panel's web view; by default kept in memory only.
        std::shared_ptr<CookieJar> panelCookies = nullptr;
        // Where arrival notices go; by default each is logged.
        std::shared_ptr<NotificationCenter> notificationCenter = std::make_shared<LoggingNotificationCenter>();
        std::shared_ptr<BadgeIndicator> badge = std::make_shared<MemoryBadgeIndicator>();
        // Starts the programs that hand replies to Messages.
        std::shared_ptr<ProcessRunner> processRunner = nullptr;
        // The user's own folder that outgoing files are staged under; an empty path stages none.
        std::filesystem::path outgoingFolder = {};
        std::shared_ptr<ContactStore> contactStore = nullptr;
        // Asks the user; by default nobody is there and each alert is logged.
        std::shared_ptr<AlertPresenter> alerts = std::make_shared<HeadlessAlertPresenter>();
        std::shared_ptr<LoginItem> loginItem = nullptr;
        // The system's settings panes.
        std::shared_ptr<Opener> settingsPanes = std::make_shared<UnavailableSettingsPanes>();
        std::shared_ptr<BrowserLocator> browsers = nullptr;
        // The program's own path, which a relaunch starts again.
        std::string executablePath = {};
        // Ends the program.
        std::function<void()> quit = nullptr;
        // Where what the capture handed over is kept across runs; an empty path keeps it in
        // memory only.
        std::filesystem::path handedOverJournal = {};
        // The services this computer does not have, which are simulated or left out here.
        std::vector<std::string> simulated = {};
    };

    // The accounts of the token pair in the secret store, and the setting holding this
    // computer's device id once it is paired.
    static constexpr std::string_view accessTokenAccount = "accessToken";
    static constexpr std::string_view refreshTokenAccount = "refreshToken";
    static constexpr std::string_view deviceIdKey = "TarvoDeviceId";
    // Set once the user was asked whether the companion should open at login.
    static constexpr std::string_view askedAboutLoginKey = "TarvoAskedAboutLogin";
    static constexpr std::string_view fullDiskAccessAddress =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_AllFiles";

    using CaptureReport = CompanionCaptureReport;

    static constexpr std::chrono::seconds tickInterval{30};
    static constexpr std::chrono::seconds relayInterval{3};
    static constexpr std::chrono::seconds liveInterval{5};
    // How far back the capture cursor of a new companion starts.
    static constexpr int captureCursorDays = 7;
    // How long what the relay runner handed over is remembered for the capture passes.
    static constexpr std::chrono::seconds relaySendWindow{600};
    // Where the capture cursor is kept between runs.
    static constexpr std::string_view captureCursorKey = "TarvoCaptureCursor";
    // The live pass reads no further back than this.
    static constexpr std::chrono::seconds liveSpan{3600};
    // The most rows one reading of either Messages pass returns.
    static constexpr int captureReadLimit = 500;
    // How long the live pass hands messages over before it leaves the rest to its next run, a
    // few seconds later, so that a pass with much to send holds neither the tick nor itself.
    static constexpr std::chrono::seconds passBudget{2};
    // How long the full pass hands a backlog over in one tick: half the tick's interval, so that
    // a tick with a page of a backlog to send is done before the next one is due.
    static constexpr std::chrono::seconds backlogBudget{15};
    // After a message is handed over, the cursor moves to its date less this.
    static constexpr std::chrono::seconds cursorOverlap{5};
    // The largest Messages file uploaded: 25 MiB.
    static constexpr std::int64_t attachmentByteLimit = 26214400;
    // How far back the message-events pass looks for receipts.
    static constexpr std::chrono::seconds messageEventsWindow{604800};
    // A sign-in that could not reach the service is tried again after this, doubled each time
    // up to the last.
    static constexpr std::chrono::seconds firstSignInRetry{5};
    static constexpr std::chrono::seconds lastSignInRetry{300};
    static constexpr std::chrono::seconds linkCheckInterval{3};
    static constexpr int linkChecks = 60;

    // Builds the parts in order, on the current thread's run loop; nothing runs until `launch`.
    explicit Companion(Services services);
    ~Companion() override;

    Companion(const Companion&) = delete;
    Companion& operator=(const Companion&) = delete;

    // The rest of start-up, once a shared_ptr owns the companion: a Messages permission refresh,
    // `start`, and reading the stored credentials (a sign-in begins when there are none).
    void launch();

    // Creates (or re-creates) the three timers, starts the WhatsApp page settling, wires the
    // sleep and wake hooks, starts the permission reading, runs the first tick and starts the
    // operator link.
    void start();

    // Stops the three timers, for the end of the program.
    void stopTimers();

    // Runs a tick now or, while one runs, owes one more: every trigger of a tick comes here.
    Task<void> requestTick();

    // Starts a task that re-reads whether the Messages database can be read.
    void refreshPermissions();
    // Re-reads, off the main loop, whether the Messages database can be read, and publishes it.
    Task<void> refreshPermissionsNow();

    const CompanionState& state() const { return state_; }
    const CompanionSettings& settings() const { return settings_; }
    const CaptureCursor& cursor() const { return cursor_; }
    const ChatDatabaseCaptureReport& chatDbReport() const { return chatDbReport_; }
    // The relay runner records its sends here; the capture passes claim them back.
    RelaySendLedger& relaySends() { return relaySends_; }
    // Whether WhatsApp Web was ever seen linked on this computer.
    bool whatsappLinked() const { return whatsappLinked_; }
    // Starts linking a phone to WhatsApp Web and returns: the page is shown until the phone has
    // scanned its code, checked every `linkCheckInterval`, at most `linkChecks` times, and a tick
    // follows a link. Every call starts a linking of its own.
    void linkWhatsApp();
    ArrivalNotifier& arrivals() { return *arrivals_; }

    // The one service client while signed in, built on first use from the credentials; nothing
    // while signed out, also after the service said the session is gone.
    virtual std::shared_ptr<BrainClient> client();

    // Tells the service what this computer can do now; never throws.
    virtual Task<void> heartbeat();

    // The code of a pairing waiting for approval, to be shown to the user.
    const std::optional<std::string>& pairingCode() const { return pairingCode_; }
    bool panelShowingSignIn() const { return panelShowingSignIn_; }

    // Starts a pairing and returns at once; the outcome lands in `state` and `pairingCode`.
    virtual void beginSignIn();
    // The setup window's sign-in, asked for at any time (also after the service ended the
    // session): a pairing unless one runs already. `reply` hears, once, where to approve this
    // computer, or why the pairing could not begin.
    void pairOnRequest(std::function<void(std::string)> reply);
    // When a sign-in that could not reach the service is tried again; nothing when none waits.
    const std::optional<Clock::Date>& signInRetryAt() const { return signInRetryAt_; }
    // What stands between this computer and a signed-in companion, and what happens next;
    // nothing while signed in.
    std::optional<std::string> signInNextStep() const;
    // The panel's sign-in link: a pairing, unless one started from the panel still runs.
    void signInFromPanel();
    // Puts the sign-in page, with the code of a waiting pairing, into the panel's web view.
    void showPanelSignIn();
    // The panel's sign-in page, with the code to check when a pairing waits for approval.
    static std::string signInPage(const std::optional<std::string>& code);

    // What this copy is doing, one item a line, for `tarvo-companion status`.
    std::string status() const;

    // Forgets the credentials, the device id and the channel ids; tells the service nothing.
    void signOut();
    // The service said this computer's session is gone: signed out until somebody signs in again
    // or the program starts again, the stored credentials kept. Once per lost session.
    virtual void endSession(const std::string& reason);

    // What minting the panel's session came to.
    enum class PanelSession { ready, notSignedIn, failed, expired };

    // Shows the panel at `path` of the web application ("/app", "/app/settings", ...): creates
    // the window the first time, then brings it forward. The session and the page follow in a task.
    void openPanelWindow(const std::string& path);
    // Nothing until the panel was first opened.
    PanelWindow* panelWindow() const { return panelWindow_.get(); }
    bool panelSignedIn() const { return panelSignedIn_; }
    // Brings the first-run setup window forward, creating it the first time.
    void presentSetupWindow();
    // The page the panel shows when the service cannot be reached.
    static const std::string unreachablePage;

    // The panel when signed in with Messages readable, else the setup window.
    void showSetupWindow();
    // Nothing until the setup window was first shown.
    SetupWindow* setupWindow() const { return setupWindow_.get(); }
    // Asks, once ever, whether the companion should open at login, and makes it so on a yes.
    void offerToStartAtLogin();
    void openFullDiskAccessSettings();
    // Starts a new copy of the program, which waits for this one to end, and ends this one; when
    // the new copy cannot be started this one keeps running.
    void relaunchForPermission();
    // Ends the program, as the menu's "Quit Tarvo" does.
    void quit();
    // A pick in the permission-mode menu.
    void chooseMode(MacPermissionMode mode);
    // Opens the browser extension's connect page in a browser that can host the extension.
    void connectExtension();
    Task<void> handOffToExtension();

    // Whether this computer was ever paired.
    bool deviceIdStored() const;
    OperatorPermissions& operatorPermissions() { return *operatorPermissions_; }
    OperatorLink& operatorLink() { return *operatorLink_; }
    WhatsAppSession& whatsapp() { return *whatsapp_; }

    Task<void> runRelayJobs() override;
    Task<void> capture() override;
    Task<void> captureWhatsApp() override;
    Task<void> captureRecentFirst(std::shared_ptr<BrainClient> client, std::string channelId) override;

    // The reactions and receipts of Messages, after the full pass; never throws.
    Task<void> captureMessageEvents(std::shared_ptr<BrainClient> client, std::string channelId);
    // Posts one batch of message events; throws `MessageEventsRefused` when the service does
    // not take it.
    static MessageEventsPass::Post messageEventsPost(std::shared_ptr<BrainClient> client);

    // "files: <sent> sent, <notWanted> not wanted, <failed> failed, ", or "" when all are 0.
    static std::string attachmentLine(const AttachmentOutcome& outcome);

protected:
    // The one line for a failed call to the service, ending the session when the failure says
    // it is gone. `doing` names the activity: "heartbeat", "capture", ...
    void note(std::exception_ptr error, std::string_view doing);

    CompanionState state_;
    // Written by the capture passes; every heartbeat carries them.
    std::optional<CaptureReport> lastCapture_;
    ChatDatabaseCaptureReport chatDbReport_;
    // For tests that stand in for sign-in and the tick.
    CompanionState& mutableState() { return state_; }

private:
    using Body = Task<void> (Companion::*)();

    // A repeating timer whose every fire runs `body` in a task of its own, while the companion
    // exists.
    Timer repeating(std::chrono::seconds interval, Body body);
    void wireSleepAndWake();
    void startOperatorLink();
    static Task<void> whileAlive(std::weak_ptr<Companion> companion, Body body);
    static Task<void> settleWhatsApp(std::shared_ptr<WhatsAppSession> whatsapp);
    static Task<void> linkingWhatsApp(std::shared_ptr<Companion> self);

    Task<void> runTick();
    // One step of the tick; a step that fails is logged and the tick goes on.
    static Task<void> tickStep(const char* name, Task<void> step);
    void chooseChannels();
    bool hostsWhatsAppSession() const;

    void createPanelWindow();
    // The web application at the current panel path.
    std::string panelPageURL() const;
    static Task<void> openPanel(std::shared_ptr<Companion> self, std::shared_ptr<WebView> web);
    Task<PanelSession> establishPanelSession();
    // One POST of the session request; nothing when it got no HTTP answer.
    Task<std::optional<HttpTransport::Response>> attemptPanelSession(std::string address, std::string accessToken,
                                                                     std::string deviceId);
    // Keeps the answer's cookies and answers how many there were.
    int keepPanelCookies(const HttpTransport::Response& answer, const WebAddress& origin);
    // The web application found its session lapsed: one silent re-mint per opening of the panel.
    void remintPanelSession();
    static Task<void> remint(std::shared_ptr<Companion> self, std::shared_ptr<WebView> web);

    // The 5 s timer: the live pass unless a tick runs, then any tick owed meanwhile.
    Task<void> requestLiveTick();
    Task<void> runLiveTick();

    // The relay runner unless a run is in progress.
    Task<void> runRelayJobsUnlessRunning();

    void readStoredCredentials();
    static Task<void> credentialsFromStore(std::weak_ptr<Companion> companion, std::shared_ptr<SecretStore> secrets,
                                           std::string deviceId);
    // One whole pairing attempt; never throws.
    Task<void> pair();
    Task<void> pairOrThrow();
    Task<void> pairFromPanel();
    Task<void> approve(PairingClient::Approved approved);
    void endPairing(std::string blockedReason);
    static Task<void> retrySignIn(std::weak_ptr<Companion> companion, std::uint64_t attempt,
                                  std::chrono::seconds delay);
    // Tells everyone waiting on a pairing's beginning how it began.
    void tellPairingBegun(const std::string& line);
    void storeTokens(const std::string& accessToken, const std::string& refreshToken);
    // A renewal's new pair, stored only while the client that renewed it is the current one.
    void keepRenewedTokens(std::uint64_t generation, const std::string& accessToken, const std::string& refreshToken);
    // Every change of sign-in drops the client; the tokens it renews later are no longer ours.
    void dropClient();
    // Applies a heartbeat's answer, in order; `advertised` are the kinds that heartbeat sent.
    void applyHeartbeat(const HeartbeatResponse& answer, const std::vector<std::string>& advertised);
    Task<void> retryKeptReports(std::shared_ptr<BrainClient> client);
    // `kept` is what the outbox held for the job before this claim: a job handed out again.
    Task<void> relayJob(RelayJob job, std::shared_ptr<BrainClient> client,
                        std::optional<RelayReportOutbox::Entry> kept);
    Task<RelayJobReport> relayThroughWhatsApp(RelayJob job, std::shared_ptr<BrainClient> client);
    Task<RelayJobReport> relayThroughMessages(RelayJob job, std::shared_ptr<BrainClient> client);
    // `count` files handed to a channel for the conversation, for the capture to claim back.
    void recordFileSends(const std::string& conversationRef, std::size_t count);
    // The report of a job just relayed, kept in the outbox until the service has it.
    Task<void> reportKeeping(RelayJobReport report, std::string jobId, std::shared_ptr<BrainClient> client);
    Task<RelayJobReporting::Delivery> report(RelayJobReport report, std::string jobId,
                                             std::shared_ptr<BrainClient> client);
    Task<RelaySendVerdict> confirmRelayedSend(std::string conversationRef,
                                              std::chrono::system_clock::time_point handedOverAt, int expected);
    static CaptureCursor restoredCursor(const SettingsStore& defaults, CaptureCursor::Date now);
    void storeCursor();
    // The full pass's own reading after the cursor, once the live pass has run.
    Task<void> captureBacklog(std::shared_ptr<BrainClient> client, std::string channelId);
    void backlogFailed(std::exception_ptr error);
    void skipWhatsAppCapture(std::string_view why);
    void stopCapture(std::string_view why);
    // How far the backlog has been read once its page is done.
    void passBacklogPage(const ChatDatabase::MessageBatch& page);
    void forgetHandedOver(std::chrono::system_clock::time_point liveStart);
    void publishBlockedReason();
    static Task<void> narrowMode(std::shared_ptr<Companion> self, std::shared_ptr<BrainClient> client,
                                 std::string deviceId, MacPermissionMode mode);
    std::optional<std::string> smsChannelId() const;
    // The ingest of one row, made after its sender is named and its own send claimed; only the
    // backlog pass says that it recognised an own send.
    Task<std::vector<AttachmentDecision>> handOver(std::shared_ptr<BrainClient> client, std::string channelId,
                                                   ChatDatabase::Message row, ChatDatabaseCaptureReport::Loop loop);
    Task<AttachmentOutcome> deliverAttachments(std::shared_ptr<BrainClient> client, ChatDatabase::Message message,
                                               std::vector<AttachmentDecision> decisions);
    Task<AttachmentOutcome> deliverWhatsAppFiles(std::shared_ptr<BrainClient> client, WhatsAppWeb::Message message,
                                                 std::vector<AttachmentDecision> decisions);
    // The WhatsApp pass's post of one message read off the page; throws what the ingest threw.
    Task<void> postWhatsApp(std::shared_ptr<BrainClient> client, std::string channelId, WhatsAppWeb::Message message,
                            std::shared_ptr<AttachmentOutcome> files);
    // The WhatsApp pass's lines on what its read found on the page.
    static void logWhatsAppRead(const WhatsAppWeb::ReadResult& read);
    std::string whatsappSkipReason() const;

    RunLoop& loop_;
    std::shared_ptr<SettingsStore> defaults_;
    std::shared_ptr<OperatorPermissions> operatorPermissions_;
    std::shared_ptr<OperatorLink> operatorLink_;
    std::shared_ptr<ArrivalNotifier> arrivals_;
    std::shared_ptr<BadgeIndicator> badge_;

    ChatDatabase database_;
    std::shared_ptr<WhatsAppSession> whatsapp_;
    CaptureCursor cursor_;
    // The last row of the full pass's last page when that page was full; it reads on past it.
    // After a page that reached the newest row, the next reading starts at the cursor again, so
    // that a row written late into the overlap behind it is still read.
    std::optional<ChatDatabase::ScanPosition> backlogPastRow_;
    // What either pass handed over lately, so that no overlap of either hands a message over twice.
    IngestedRecently handedOver_;
    ContactDirectory contacts_;
    RelaySendLedger relaySends_;
    MessageEventsPass messageEvents_;
    AppNapHold napHold_;
    Timer timer_;
    Timer relayTimer_;
    Timer liveTimer_;
    CompanionSettings settings_;
    std::shared_ptr<HttpTransport> session_;
    std::shared_ptr<SecretStore> secrets_;
    std::shared_ptr<Opener> opener_;
    std::shared_ptr<WebView> panelWebView_;
    std::shared_ptr<CookieJar> panelCookies_;
    std::shared_ptr<PanelWindow> panelWindow_;
    std::string panelPath_ = "/app";
    bool panelRemintAttempted_ = false;
    std::shared_ptr<BrainClient> brain_;
    std::uint64_t clientGeneration_ = 0;
    std::optional<std::string> pairingCode_;
    // The approval page of the pairing waiting for approval.
    std::optional<std::string> pairingAddress_;
    bool pairingInProgress_ = false;
    // A pairing attempt runs, from its start request to its end.
    bool pairing_ = false;
    // Counts pairing attempts, so that a retry waiting for an attempt that was overtaken ends.
    std::uint64_t pairingAttempts_ = 0;
    std::chrono::seconds signInRetryDelay_ = firstSignInRetry;
    std::optional<Clock::Date> signInRetryAt_;
    std::vector<std::function<void(std::string)>> pairingBegunListeners_;
    // What keeps the Messages database from being read: its path and the cause.
    std::optional<std::string> messagesCause_;
    // Why the heartbeat, the Messages capture and the WhatsApp capture were skipped.
    SaidOnce heartbeatSkipLine_;
    SaidOnce captureSkipLine_;
    SaidOnce whatsappSkipLine_;
    bool panelShowingSignIn_ = false;
    bool panelSignedIn_ = false;
    bool ticking_ = false;
    bool tickRequested_ = false;
    // The live timer fired while a tick ran: the live pass runs once the tick is done.
    bool liveRequested_ = false;
    bool relayRunning_ = false;
    bool whatsappLinked_ = false;
    MessagesSender sender_;
    OutgoingFiles outgoing_;
    RelayReportOutbox relayOutbox_;
    std::shared_ptr<ProcessRunner> processRunner_;
    std::shared_ptr<AlertPresenter> alerts_;
    std::shared_ptr<LoginItem> loginItem_;
    std::shared_ptr<Opener> settingsPanes_;
    std::shared_ptr<BrowserLocator> browsers_;
    std::string executablePath_;
    std::function<void()> quit_;
    std::vector<std::string> simulated_;
    std::unique_ptr<SetupWindow> setupWindow_;
};

} // namespace tarvo
