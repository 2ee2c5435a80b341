#include "TarvoBase/SleepFor.h"
#include "TarvoBase/Spawn.h"
#include "TarvoCompanion/Companion.h"

namespace tarvo {

void Companion::linkWhatsApp() { spawn(linkingWhatsApp(shared_from_this())); }

// Nobody is told when the phone never scans: the page stays shown until the user closes it.
Task<void> Companion::linkingWhatsApp(std::shared_ptr<Companion> self) {
    using SessionState = WhatsAppSession::SessionState;
    WhatsAppSession& session = *self->whatsapp_;
    const SessionState settled = co_await session.settledState();
    if (settled == SessionState::linked()) {
        self->whatsappLinked_ = true;
        co_await self->requestTick();
        co_return;
    }
    session.showForLinking();
    for (int checks = 0;; ++checks) {
        co_await sleepFor(linkCheckInterval);
        const SessionState state = co_await session.refreshState();
        if (state == SessionState::linked()) {
            self->whatsappLinked_ = true;
            session.setShowingForLinking(false);
            session.park();
            co_await self->requestTick();
            co_return;
        }
        if (checks == linkChecks - 1) co_return;
    }
}

} // namespace tarvo
