#include "TarvoCompanion/Companion.h"

#include <utility>

#include "TarvoBase/Spawn.h"

namespace tarvo {

Companion::Companion(Services services)
    : loop_(RunLoop::current()),
      defaults_(std::move(services.defaults)),
      operatorPermissions_(std::move(services.operatorPermissions)),
      operatorLink_(std::move(services.operatorLink)),
      arrivals_(ArrivalNotifier::create(std::move(services.notificationCenter))),
      badge_(std::move(services.badge)),
      database_(std::move(services.chatDatabasePath)),
      whatsapp_(std::move(services.whatsapp)),
      cursor_(restoredCursor(*defaults_, loop_.clock().date())),
      handedOver_(services.handedOverJournal.empty() ? IngestedRecently()
                                                     : IngestedRecently(std::move(services.handedOverJournal))),
      contacts_(std::move(services.contactStore)),
      relaySends_(relaySendWindow, loop_.sharedClock()),
      messageEvents_(messageEventsWindow),
      settings_(CompanionSettings::load(*defaults_)),
      session_(std::move(services.session)),
      secrets_(std::move(services.secrets)),
      opener_(std::move(services.opener)),
      panelWebView_(std::move(services.panelWebView)),
      panelCookies_(services.panelCookies ? std::move(services.panelCookies) : std::make_shared<CookieJar>()),
      sender_(services.processRunner),
      outgoing_(std::move(services.outgoingFolder)),
      relayOutbox_(defaults_),
      processRunner_(std::move(services.processRunner)),
      alerts_(std::move(services.alerts)),
      loginItem_(std::move(services.loginItem)),
      settingsPanes_(std::move(services.settingsPanes)),
      browsers_(std::move(services.browsers)),
      executablePath_(std::move(services.executablePath)),
      quit_(std::move(services.quit)),
      simulated_(std::move(services.simulated)) {}

// Timers hold the companion weakly, so a fire after this would do nothing; stopping them spares
// the loop those empty turns.
Companion::~Companion() { stopTimers(); }

void Companion::launch() {
    arrivals_->router().openPanel = [companion = weak_from_this()](const std::string& path) {
        if (const auto self = companion.lock()) self->openPanelWindow(path);
    };
    refreshPermissions();
    start();
    readStoredCredentials();
}

void Companion::start() {
    timer_.invalidate();
    timer_ = repeating(tickInterval, &Companion::requestTick);
    relayTimer_.invalidate();
    relayTimer_ = repeating(relayInterval, &Companion::runRelayJobsUnlessRunning);
    liveTimer_.invalidate();
    liveTimer_ = repeating(liveInterval, &Companion::requestLiveTick);

    // The answer is not needed now: asking makes the hidden page load and settle early.
    spawn(settleWhatsApp(whatsapp_));
    wireSleepAndWake();
    operatorPermissions_->startReading();
    spawn(whileAlive(weak_from_this(), &Companion::requestTick));
    startOperatorLink();
}

void Companion::stopTimers() {
    timer_.invalidate();
    relayTimer_.invalidate();
    liveTimer_.invalidate();
}

Timer Companion::repeating(std::chrono::seconds interval, Body body) {
    auto fire = [companion = weak_from_this(), body] { spawn(whileAlive(companion, body)); };
    return loop_.scheduleRepeating(interval, fire);
}

void Companion::wireSleepAndWake() {
    // The heartbeat before sleep is not held back by a running tick: the service should hear
    // of the sleep before it happens.
    operatorPermissions_->onWillSleep = [companion = weak_from_this()] {
        spawn(whileAlive(companion, &Companion::heartbeat));
    };
    operatorPermissions_->onDidWake = [companion = weak_from_this()] {
        spawn(whileAlive(companion, &Companion::requestTick));
    };
    operatorPermissions_->sendHeartbeat = [companion = weak_from_this()] {
        return whileAlive(companion, &Companion::heartbeat);
    };
}

void Companion::startOperatorLink() {
    auto client = [companion = weak_from_this()]() -> std::shared_ptr<BrainClient> {
        const auto self = companion.lock();
        return self ? self->client() : nullptr;
    };
    auto signedIn = [companion = weak_from_this()] {
        const auto self = companion.lock();
        return self && self->state_.signIn.isSignedIn();
    };
    operatorLink_->start(client, signedIn);
}

Task<void> Companion::whileAlive(std::weak_ptr<Companion> companion, Body body) {
    const auto self = companion.lock();
    if (!self) co_return;
    Task<void> work = ((*self).*body)();
    co_await std::move(work);
}

Task<void> Companion::settleWhatsApp(std::shared_ptr<WhatsAppSession> whatsapp) {
    co_await whatsapp->settledState();
}

void Companion::refreshPermissions() { spawn(whileAlive(weak_from_this(), &Companion::refreshPermissionsNow)); }

} // namespace tarvo
