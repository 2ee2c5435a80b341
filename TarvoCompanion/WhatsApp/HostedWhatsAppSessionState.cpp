#include <chrono>
#include <string>

#include <fmt/format.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/WhatsApp/HostedWhatsAppSession.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using Seconds = HostedWhatsAppSession::Seconds;

Seconds secondsBetween(Clock::Instant from, Clock::Instant to) { return std::chrono::duration_cast<Seconds>(to - from); }

long long wholeSeconds(Seconds span) { return static_cast<long long>(span.count()); }

} // namespace

Task<WhatsAppSession::SessionState> HostedWhatsAppSession::refreshState() {
    if (!enabled()) {
        state_ = SessionState::needsLink();
        co_return state_;
    }
    load();
    const std::optional<std::string> text = co_await evaluate(WhatsAppWeb::sessionProbeScript());
    const SessionState answer = WhatsAppWeb::readSessionState(text.value_or(""));
    state_ = answer;
    if (answer == SessionState::linked()) defaults_->set(Json(true), hostsSessionKey);
    if (showingForLinking_) co_await showLinkPicture();
    co_return answer;
}

Task<WhatsAppSession::SessionState> HostedWhatsAppSession::settledState() {
    if (!enabled()) co_return SessionState::needsLink();
    load();
    if (settled_) co_return *settled_;
    if (navigationStartedAt_ && secondsBetween(*navigationStartedAt_, now()) >= WhatsAppWeb::settleDeadline) {
        const SessionState answer = co_await refreshState();
        if (answer == SessionState::linked()) settled_ = answer;
        co_return answer;
    }
    const Clock::Instant start = navigationStartedAt_.value_or(now());
    std::string lastLogged;
    while (secondsBetween(start, now()) < WhatsAppWeb::settleDeadline) {
        const SessionState answer = co_await refreshState();
        const std::string description = describe(answer);
        if (description != lastLogged) {
            PlainLog::write(fmt::format("tarvo: whatsapp web after {:.1f}s: {}", secondsBetween(start, now()).count(),
                                        description));
            lastLogged = description;
        }
        if (answer == SessionState::linked()) {
            settled_ = answer;
            co_return answer;
        }
        co_await sleepFor(WhatsAppWeb::settlePollInterval);
    }
    if (const std::optional<SessionState> known = settledStateIfKnown()) co_return *known;
    co_return state_;
}

std::optional<WhatsAppSession::SessionState> HostedWhatsAppSession::settledStateIfKnown() {
    if (!enabled()) return SessionState::needsLink();
    if (settled_) return settled_;
    if (!navigationStartedAt_) return std::nullopt;
    const Seconds age = secondsBetween(*navigationStartedAt_, now());
    if (age < WhatsAppWeb::settleDeadline) return std::nullopt;
    const SessionState current = state_;
    if (WhatsAppWeb::shouldRenavigate(current, age)) {
        renavigate(fmt::format("unreadable for {}s — last seen: {}. A page that never became WhatsApp is a navigation "
                               "worth doing again.",
                               wholeSeconds(age), describe(current)));
        return std::nullopt;
    }
    if (!backgroundProbeRunning_) {
        backgroundProbeRunning_ = true;
        spawn(backgroundProbe(shared_from_this(), *navigationStartedAt_));
    }
    PlainLog::write(fmt::format("tarvo: whatsapp web has not answered within {}s — last seen: {}. This is NOT 'not "
                                "linked' and NOT final: it is still being asked.",
                                wholeSeconds(WhatsAppWeb::settleDeadline), describe(current)));
    return current;
}

Task<void> HostedWhatsAppSession::backgroundProbe(std::shared_ptr<HostedWhatsAppSession> self,
                                                  Clock::Instant navigationStart) {
    try {
        const SessionState answer = co_await self->refreshState();
        if (answer == SessionState::linked()) {
            self->settled_ = answer;
            PlainLog::write(fmt::format("tarvo: whatsapp web answered after the settle deadline, at {}s: linked. The "
                                        "deadline is a report, not a verdict.",
                                        wholeSeconds(secondsBetween(navigationStart, self->now()))));
        }
    } catch (...) {
        self->backgroundProbeRunning_ = false;
        throw;
    }
    self->backgroundProbeRunning_ = false;
}

} // namespace tarvo
