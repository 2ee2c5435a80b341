#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/SettingsStore.h"
#include "TarvoBase/Task.h"
#include "TarvoBase/Timer.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCompanion/AttachmentOutcome.h"
#include "TarvoCompanion/CaptureAndRelay.h"
#include "TarvoCompanion/CompanionSettings.h"
#include "TarvoCompanion/Operator/OperatorLink.h"
#include "TarvoCompanion/Operator/OperatorPermissions.h"
#include "TarvoCompanion/WhatsApp/WhatsAppSession.h"
#include "TarvoCore/AppNapHold.h"
#include "TarvoCore/CaptureCursor.h"
#include "TarvoCore/ChatDatabase/ChatDatabase.h"
#include "TarvoCore/ChatDatabaseCaptureReport.h"
#include "TarvoCore/CompanionState.h"
#include "TarvoCore/ContactDirectory.h"
#include "TarvoCore/ContactStore.h"
#include "TarvoCore/IngestedRecently.h"
#include "TarvoCore/MessageEvents/MessageEventsPass.h"
#include "TarvoCore/RelaySendLedger.h"

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
        std::shared_ptr<ContactStore> contactStore;
    };

    static constexpr std::chrono::seconds tickInterval{30};
    static constexpr std::chrono::seconds relayInterval{3};
    static constexpr std::chrono::seconds liveInterval{5};
    // How far back the capture cursor of a new companion starts.
    static constexpr int captureCursorDays = 7;
    // Where the capture cursor is kept between runs.
    static constexpr std::string_view captureCursorKey = "TarvoCaptureCursor";
    // The live pass reads no further back than this.
    static constexpr std::chrono::seconds liveSpan{3600};
    // The most rows one reading of either Messages pass returns.
    static constexpr int captureReadLimit = 500;
    // After a message is handed over, the cursor moves to its date less this.
    static constexpr std::chrono::seconds cursorOverlap{5};
    // The largest Messages file uploaded: 25 MiB.
    static constexpr std::int64_t attachmentByteLimit = 26214400;
    // How long a relayed send waits in the ledger for the capture to read it back.
    static constexpr std::chrono::seconds relaySendWindow{600};
    // How far back the message-events pass looks for receipts.
    static constexpr std::chrono::seconds messageEventsWindow{604800};

    // Builds the parts in order, on the current thread's run loop; nothing runs until `launch`.
    explicit Companion(Services services);
    ~Companion() override;

    Companion(const Companion&) = delete;
    Companion& operator=(const Companion&) = delete;

    // The rest of start-up, once a shared_ptr owns the companion: a Messages permission refresh,
    // then `start`.
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

    // The service client while signed in, nothing otherwise.
    virtual std::shared_ptr<BrainClient> client();
    // Tells the service what this computer can do now; never throws.
    virtual Task<void> heartbeat();

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
    // The one line for a failed call to the service. `doing` names the activity: "capture", ...
    void note(std::exception_ptr error, std::string_view doing);

private:
    using Body = Task<void> (Companion::*)();

    // A repeating timer whose every fire runs `body` in a task of its own, while the companion
    // exists.
    Timer repeating(std::chrono::seconds interval, Body body);
    void wireSleepAndWake();
    void startOperatorLink();
    static Task<void> whileAlive(std::weak_ptr<Companion> companion, Body body);
    static Task<void> settleWhatsApp(std::shared_ptr<WhatsAppSession> whatsapp);

    Task<void> runTick();
    // One step of the tick; a step that fails is logged and the tick goes on.
    static Task<void> tickStep(const char* name, Task<void> step);
    void chooseChannels();
    bool hostsWhatsAppSession() const;

    // The 5 s timer: the live pass unless a tick runs, then any tick owed meanwhile.
    Task<void> requestLiveTick();
    Task<void> runLiveTick();

    // The relay runner unless a run is in progress.
    Task<void> runRelayJobsUnlessRunning();

    static CaptureCursor restoredCursor(const SettingsStore& defaults, CaptureCursor::Date now);
    void storeCursor();
    // The full pass's own reading after the cursor, once the live pass has run.
    Task<void> captureBacklog(std::shared_ptr<BrainClient> client, std::string channelId);
    void backlogFailed(std::exception_ptr error);
    void stopCapture(std::string_view why);
    // How far the backlog has been read once its page is done.
    void passBacklogPage(const ChatDatabase::MessageBatch& page);
    void publishBlockedReason();
    std::optional<std::string> smsChannelId() const;
    // The ingest of one row, made after its sender is named and its own send claimed; only the
    // backlog pass says that it recognised an own send.
    Task<std::vector<AttachmentDecision>> handOver(std::shared_ptr<BrainClient> client, std::string channelId,
                                                   ChatDatabase::Message row, ChatDatabaseCaptureReport::Loop loop);
    Task<AttachmentOutcome> deliverAttachments(std::shared_ptr<BrainClient> client, ChatDatabase::Message message,
                                               std::vector<AttachmentDecision> decisions);

    RunLoop& loop_;
    std::shared_ptr<SettingsStore> defaults_;
    std::shared_ptr<OperatorPermissions> operatorPermissions_;
    std::shared_ptr<OperatorLink> operatorLink_;

    CompanionState state_;
    ChatDatabase database_;
    std::shared_ptr<WhatsAppSession> whatsapp_;
    CaptureCursor cursor_;
    // The last row the full pass looked at; it reads on past it. Kept in memory only: after a
    // restart the pass reads from the cursor, a few seconds before that row.
    std::optional<ChatDatabase::ScanPosition> backlogPastRow_;
    IngestedRecently liveSent_;
    ContactDirectory contacts_;
    RelaySendLedger relaySends_;
    MessageEventsPass messageEvents_;
    ChatDatabaseCaptureReport chatDbReport_;
    AppNapHold napHold_;
    Timer timer_;
    Timer relayTimer_;
    Timer liveTimer_;
    CompanionSettings settings_;
    bool ticking_ = false;
    bool tickRequested_ = false;
    bool relayRunning_ = false;
    bool whatsappLinked_ = false;
};

} // namespace tarvo
