#include "TarvoCompanion/WhatsApp/SimulatedWhatsAppSession.h"

namespace tarvo {

SimulatedWhatsAppSession::SimulatedWhatsAppSession(std::optional<SessionState> settled)
    : settled_(std::move(settled)) {}

Task<WhatsAppSession::SessionState> SimulatedWhatsAppSession::settledState() {
    ++settleWaits_;
    // A host that never settles gives up at its deadline with the state it starts in.
    co_return settled_.value_or(SessionState::needsLink());
}

std::optional<WhatsAppSession::SessionState> SimulatedWhatsAppSession::settledStateIfKnown() { return settled_; }

} // namespace tarvo
