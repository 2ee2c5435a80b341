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

WhatsAppSession::ReadResult SimulatedWhatsAppSession::nothingRead() {
    ReadResult empty;
    empty.note = "nothing was read: WhatsApp Web is simulated on this computer";
    return empty;
}

Task<WhatsAppSession::ReadResult> SimulatedWhatsAppSession::readNew() {
    ++reads_;
    co_return read_;
}

std::set<std::string> SimulatedWhatsAppSession::reopenNextPass(const IngestPass& pass) {
    Tally tally;
    for (const auto& message : pass.posted) tally.posted.push_back(message.externalId);
    for (const auto& failed : pass.failed) tally.failed.push_back(failed.message.externalId);
    for (const auto& message : pass.notTried) tally.notTried.push_back(message.externalId);
    tallies_.push_back(std::move(tally));
    return reopen_;
}

} // namespace tarvo
