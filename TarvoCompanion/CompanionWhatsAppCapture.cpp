#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoCompanion/Companion.h"
#include "TarvoCore/Companion/TarvoLog.h"
#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo {
namespace {

using ReadResult = WhatsAppWeb::ReadResult;
using Stage = WhatsAppWeb::Stage;

CompanionCaptureReport captureReport(const ReadResult& read) {
    CompanionCaptureReport report;
    report.chatsInList = read.chatsInList;
    report.changedChats = read.changedChats;
    report.openedChats = read.openedChats;
    report.unopenableChats = read.unopenableChats;
    report.rowsWithoutTarget = read.rowsWithoutTarget;
    report.noPressTarget = read.noPressTarget;
    report.neverSelected = read.neverSelected;
    report.openedEmpty = read.openedEmpty;
    report.raced = read.raced;
    report.nonConversationRows = read.nonConversationRows;
    report.rowsWithoutChatId = read.rowsWithoutChatId;
    report.sharedKeyRows = read.sharedKeyRows;
    report.skipped = read.skipped;
    if (read.stage) report.stage = std::string(WhatsAppWeb::name(*read.stage));
    return report;
}

std::optional<std::string> stageLine(const ReadResult& read) {
    if (!read.stage) return "tarvo: whatsapp: the page answered with something this build cannot read.";
    switch (*read.stage) {
    case Stage::chatListMissing:
        return "tarvo: whatsapp: the page is linked but is not showing the chat list. That is not an empty inbox — "
               "Tarvo is looking at something else.";
    case Stage::noChatRows:
        return "tarvo: whatsapp: the chat list is there and has NO ROWS in it. WhatsApp has changed the markup of a "
               "conversation row.";
    case Stage::read:
        if (read.openedChats >= 1 && read.rowsSeen == 0) {
            return "tarvo: whatsapp: conversations opened and NOT ONE MESSAGE ROW was in them. The message bubbles "
                   "have moved.";
        }
        if (read.openedChats == 0 && read.unopenableChats > 0) {
            return fmt::format("tarvo: whatsapp: {} conversation(s) would not open. The chat list rows no longer "
                               "respond to being pressed.",
                               read.unopenableChats);
        }
        return std::nullopt;
    case Stage::firstLook:
    case Stage::nothingChanged:
        break;
    }
    return std::nullopt;
}

std::vector<OutgoingAttachment> described(const std::vector<WhatsAppWeb::Attachment>& files) {
    std::vector<OutgoingAttachment> attachments;
    attachments.reserve(files.size());
    for (const WhatsAppWeb::Attachment& file : files) {
        attachments.push_back({.externalId = file.externalId,
                               .filename = file.filename,
                               .mimeType = file.mimeType,
                               .sizeBytes = file.sizeBytes,
                               .providerHint = file.providerHint,
                               .sensitive = false,
                               .ephemeral = file.ephemeral,
                               .durationSeconds = file.durationSeconds});
    }
    return attachments;
}

} // namespace

std::string Companion::whatsappSkipReason() const {
    const std::optional<WhatsAppSession::SessionState> settled = whatsapp_->settledStateIfKnown();
    if (!settled) return "WhatsApp Web has not finished loading yet";
    switch (settled->kind()) {
    case WhatsAppSession::SessionState::Kind::needsLink:
        return "no phone has scanned the code on this Mac";
    case WhatsAppSession::SessionState::Kind::linked:
        return "linked, but the channel is not advertised — this is a bug";
    case WhatsAppSession::SessionState::Kind::syncing:
        return "WhatsApp is still downloading this account's messages into the page. Nothing is wrong and nothing is "
               "lost — the next tick will read it.";
    case WhatsAppSession::SessionState::Kind::unrecognised:
        break;
    }
    return "the page is not WhatsApp — " + settled->seen();
}

void Companion::logWhatsAppRead(const ReadResult& read) {
    if (const std::optional<std::string> line = stageLine(read)) PlainLog::write(*line);
    if (read.unidentifiedChats > 0) {
        PlainLog::write(fmt::format("tarvo: whatsapp: {} opened conversation(s) could not say which conversation they "
                                    "are — their messages were DROPPED rather than filed under a guess.",
                                    read.unidentifiedChats));
    }
    if (read.skipped > 0) PlainLog::write(fmt::format("tarvo: whatsapp: {} row(s) this build cannot read", read.skipped));
    if (read.mediaRows > 0 && read.mediaWithBytes == 0 && read.mediaViewOnce == 0) {
        PlainLog::write(fmt::format("tarvo: whatsapp: {} file(s) seen and NOT ONE could be read off the page. The "
                                    "decoded media WhatsApp renders is no longer where Tarvo looks for it.",
                                    read.mediaRows));
    }
    if (read.unknownMediaTypes > 0) {
        PlainLog::write(fmt::format("tarvo: whatsapp: {} row(s) of a media kind this build does not know. WhatsApp has "
                                    "added or renamed a message type.",
                                    read.unknownMediaTypes));
    }
}

void Companion::skipWhatsAppCapture(std::string_view why) {
    if (const std::string line = "tarvo: whatsapp capture skipped — " + std::string(why); whatsappSkipLine_.isNew(line)) {
        PlainLog::write(line);
    }
}

Task<void> Companion::captureWhatsApp() {
    const std::shared_ptr<BrainClient> signedIn = client();
    if (!signedIn) {
        skipWhatsAppCapture("not signed in");
        co_return;
    }
    const std::optional<std::string> channelId = settings_.whatsappChannelId;
    if (!channelId || channelId->empty()) {
        skipWhatsAppCapture("no WhatsApp channel id yet");
        co_return;
    }
    const std::vector<std::string>& channels = state_.enabledChannels;
    if (std::find(channels.begin(), channels.end(), "whatsapp") == channels.end()) {
        skipWhatsAppCapture(fmt::format("{} (advertising {})", whatsappSkipReason(), fmt::join(channels, ", ")));
        co_return;
    }
    whatsappSkipLine_.reset();

    const std::shared_ptr<WhatsAppSession> session = whatsapp_;
    const ReadResult read = co_await session->readNew();
    lastCapture_ = captureReport(read);
    const std::string& peekLine = session->peekLine();
    TarvoLog::captureLine(peekLine.empty() ? read.summary() : read.summary() + ", " + peekLine);
    logWhatsAppRead(read);

    auto files = std::make_shared<AttachmentOutcome>();
    std::function<Task<void>(WhatsAppWeb::Message)> post = [self = shared_from_this(), signedIn, id = *channelId,
                                                            files](WhatsAppWeb::Message message) {
        return self->postWhatsApp(signedIn, id, std::move(message), files);
    };
    const WhatsAppWeb::IngestPass pass = co_await WhatsAppWeb::ingestEach(read.messages, std::move(post));
    for (const WhatsAppWeb::IngestPass::Failed& failed : pass.failed) note(failed.error, "whatsapp ingest");
    const std::set<std::string> reopened = session->reopenNextPass(pass);
    if (!pass.failed.empty() || !pass.notTried.empty()) {
        PlainLog::write(fmt::format("tarvo: whatsapp: {} message(s) did not reach Tarvo and {} were not tried; {} "
                                    "chat(s) will be read again on the next pass",
                                    pass.failed.size(), pass.notTried.size(), reopened.size()));
    }
    if (const std::string line = attachmentLine(*files); !line.empty()) PlainLog::write("tarvo: whatsapp " + line);
    if (!pass.posted.empty()) state_.lastCaptureAt = loop_.clock().date();
}

// The ledger is asked with the message's id, so that a message posted again after a failed
// ingest still goes out as sent by Tarvo although its entry was used up the first time.
Task<void> Companion::postWhatsApp(std::shared_ptr<BrainClient> client, std::string channelId,
                                   WhatsAppWeb::Message message, std::shared_ptr<AttachmentOutcome> files) {
    const bool sentViaTarvo =
        message.isFromMe && relaySends_.claim(message.conversationRef, message.text, message.sentAt, message.externalId);
    const std::string direction = message.isFromMe ? "outbound" : "inbound";
    std::optional<std::string> senderIdentifier;
    std::optional<std::string> senderIdentifierKind;
    if (const auto identity = WhatsAppWeb::senderIdentity(message.authorRef, message.conversationRef)) {
        senderIdentifier = identity->value;
        senderIdentifierKind = identity->kind;
    }
    const std::string threadKind = message.conversationRef.ends_with(WhatsAppWeb::groupSuffix) ? "group" : "direct";
    std::vector<AttachmentDecision> decisions = co_await client->ingest(
        std::move(channelId), message.conversationRef, message.externalId, direction, message.text, message.sentAt,
        std::move(senderIdentifier), std::move(senderIdentifierKind), message.senderName, threadKind,
        message.conversationTitle, sentViaTarvo, described(message.attachments));
    whatsapp_->sent().record(message);
    if (decisions.empty()) co_return;
    const AttachmentOutcome outcome = co_await deliverWhatsAppFiles(client, std::move(message), std::move(decisions));
    *files += outcome;
}

} // namespace tarvo
