#include "TarvoCompanion/WhatsApp/SimulatedWhatsAppSession.h"

#include "TarvoBase/PlainLog.h"

namespace tarvo {

SimulatedWhatsAppSession::SimulatedWhatsAppSession(std::optional<SessionState> settled)
    : settled_(std::move(settled)) {}

Task<WhatsAppSession::SessionState> SimulatedWhatsAppSession::settledState() {
    ++settleWaits_;
    // A host that never settles gives up at its deadline with the state it starts in.
    co_return settled_.value_or(SessionState::needsLink());
}

std::optional<WhatsAppSession::SessionState> SimulatedWhatsAppSession::settledStateIfKnown() { return settled_; }

Task<WhatsAppSession::SessionState> SimulatedWhatsAppSession::refreshState() {
    ++refreshes_;
    co_return settled_.value_or(SessionState::needsLink());
}

void SimulatedWhatsAppSession::showForLinking() {
    ++linkingAsks_;
    PlainLog::write("tarvo: WhatsApp Web is simulated on this computer — nothing to link");
}

Task<WhatsAppSession::SendOutcome> SimulatedWhatsAppSession::send(std::string conversationRef, std::string body,
                                                                   std::vector<OutgoingFile> files,
                                                                   std::optional<std::string> name) {
    sends_.push_back({std::move(conversationRef), std::move(body), std::move(files), std::move(name)});
    co_return sendOutcome_;
}

} // namespace tarvo
