#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using SessionState = WhatsAppWeb::SessionState;

// Shuts a guard for as long as it lives, so that a pass that fails cannot leave it shut for good.
class Guarding {
public:
    explicit Guarding(bool& flag) : flag_(flag) { flag_ = true; }
    ~Guarding() { flag_ = false; }
    Guarding(const Guarding&) = delete;
    Guarding& operator=(const Guarding&) = delete;

private:
    bool& flag_;
};

// Why WhatsApp is named although the page is not linked: this computer hosts a linked session,
// and a heartbeat without the channel would suspend it.
std::optional<std::string> advertisedAnywayLine(const std::optional<SessionState>& settled) {
    if (!settled) {
        return "tarvo: whatsapp web is still loading — advertising it anyway, because this Mac hosts a linked "
               "session and a heartbeat that omitted it would suspend the channel";
    }
    switch (settled->kind()) {
    case SessionState::Kind::syncing:
        return "tarvo: whatsapp web is downloading this account's messages — advertising it anyway. A sync is not an "
               "unlinked phone, and omitting the channel here is what dropped it out of the heartbeat until relaunch.";
    case SessionState::Kind::unrecognised:
        return "tarvo: whatsapp web is not readable — advertising it anyway, because this Mac hosts a linked session "
               "and an unreadable page is not evidence a phone was unlinked. Last seen: " +
               settled->seen();
    case SessionState::Kind::linked:
    case SessionState::Kind::needsLink:
        break;
    }
    return std::nullopt;
}

std::string notOfferedReason(const std::optional<SessionState>& settled) {
    if (!settled) return "the page is still loading";
    switch (settled->kind()) {
    case SessionState::Kind::syncing:
        return "WhatsApp Web is still downloading this account's messages";
    case SessionState::Kind::unrecognised:
        return settled->seen();
    case SessionState::Kind::needsLink:
    case SessionState::Kind::linked:
        break;
    }
    return "WhatsApp Web is showing its QR code, so the phone is not linked";
}

} // namespace

Task<void> Companion::requestTick() {
    napHold_.hold(AppNapHold::wanted(state_));
    if (ticking_) {
        tickRequested_ = true;
        PlainLog::debug("tarvo: tick asked for while one is still running — it will run next");
        co_return;
    }
    const Guarding ticking(ticking_);
    tickRequested_ = false;
    do {
        co_await runTick();
        // A new message should not wait out a second live interval behind a tick.
        if (std::exchange(liveRequested_, false)) co_await tickStep("the live capture", runLiveTick());
    } while (std::exchange(tickRequested_, false));
}

Task<void> Companion::requestLiveTick() {
    napHold_.hold(AppNapHold::wanted(state_));
    if (ticking_) {
        liveRequested_ = true;
        co_return;
    }
    const Guarding ticking(ticking_);
    tickRequested_ = false;
    co_await tickStep("the live capture", runLiveTick());
    while (std::exchange(tickRequested_, false)) co_await runTick();
}

Task<void> Companion::runRelayJobsUnlessRunning() {
    if (relayRunning_) co_return;
    const Guarding running(relayRunning_);
    co_await runRelayJobs();
}

Task<void> Companion::runTick() {
    co_await tickStep("the Messages permission refresh", refreshPermissionsNow());
    chooseChannels();
    co_await tickStep("the heartbeat", heartbeat());
    co_await tickStep("the relay runner", runRelayJobsUnlessRunning());
    co_await tickStep("the Messages capture", capture());
    co_await tickStep("the WhatsApp capture", captureWhatsApp());
}

Task<void> Companion::tickStep(const char* name, Task<void> step) {
    try {
        co_await std::move(step);
    } catch (const std::exception& failure) {
        PlainLog::error(fmt::format("tarvo: {} failed during the tick — {}", name, failure.what()));
    } catch (...) {
        PlainLog::error(fmt::format("tarvo: {} failed during the tick", name));
    }
}

void Companion::chooseChannels() {
    std::vector<std::string> channels;
    if (state_.canReadMessages) channels = {"imessage", "sms"};
    const std::optional<SessionState> settled = whatsapp_->settledStateIfKnown();
    if (settled == SessionState::linked()) whatsappLinked_ = true;
    if (WhatsAppWeb::shouldAdvertise(settled, hostsWhatsAppSession())) {
        if (const auto line = advertisedAnywayLine(settled)) PlainLog::write(*line);
        channels.emplace_back("whatsapp");
    } else if (!state_.blockedReason || state_.blockedReason->empty()) {
        state_.blockedReason = "WhatsApp is not being offered by this Mac: " + notOfferedReason(settled) +
                               ". Everything else on this Mac is unaffected.";
    }
    state_.enabledChannels = std::move(channels);
}

bool Companion::hostsWhatsAppSession() const { return defaults_->isTrue(WhatsAppSession::hostsSessionKey); }

Task<void> Companion::runLiveTick() {
    if (!state_.canReadMessages) co_return;
    std::shared_ptr<BrainClient> client = this->client();
    if (!client) co_return;
    if (!settings_.imessageChannelId || settings_.imessageChannelId->empty()) co_return;
    co_await captureRecentFirst(std::move(client), *settings_.imessageChannelId);
}

} // namespace tarvo
