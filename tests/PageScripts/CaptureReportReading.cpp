// Prints what the companion reads out of one capture report, so that the tests in the browser can
// hold the page's report and the companion's reading of it side by side. Usage:
// read_capture_report <now in seconds since 1970> < report
#include <chrono>
#include <iostream>
#include <iterator>
#include <string>

#include "TarvoBase/Base64.h"
#include "TarvoBase/Json.h"
#include "TarvoCore/WhatsApp/CapturedMessages.h"

namespace {

using namespace tarvo::WhatsAppWeb;
using tarvo::Json;

template <typename T>
Json orNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

double seconds(std::chrono::system_clock::time_point date) {
    return std::chrono::duration<double>(date.time_since_epoch()).count();
}

Json attachmentJson(const Attachment& attachment) {
    return {
        {"externalId", attachment.externalId},
        {"filename", attachment.filename},
        {"mimeType", attachment.mimeType},
        {"sizeBytes", attachment.sizeBytes},
        {"providerHint", attachment.providerHint},
        {"ephemeral", attachment.ephemeral},
        {"durationSeconds", orNull(attachment.durationSeconds)},
        {"bytes", attachment.bytes ? Json(tarvo::Base64::encode(*attachment.bytes)) : Json(nullptr)},
        {"bytesNote", orNull(attachment.bytesNote)},
    };
}

Json messageJson(const Message& message) {
    Json attachments = Json::array();
    for (const auto& attachment : message.attachments) attachments.push_back(attachmentJson(attachment));
    return {
        {"externalId", message.externalId},
        {"conversationRef", message.conversationRef},
        {"isFromMe", message.isFromMe},
        {"text", message.text},
        {"sentAt", seconds(message.sentAt)},
        {"senderName", orNull(message.senderName)},
        {"authorRef", orNull(message.authorRef)},
        {"conversationTitle", orNull(message.conversationTitle)},
        {"attachments", attachments},
        {"chatKey", orNull(message.chatKey)},
        {"peeked", message.peeked},
    };
}

Json resultJson(const ReadResult& result) {
    Json messages = Json::array();
    for (const auto& message : result.messages) messages.push_back(messageJson(message));
    return {
        {"messages", messages},
        {"stage", result.stage ? Json(std::string(rawValue(*result.stage))) : Json(nullptr)},
        {"skipped", result.skipped},
        {"chatsInList", result.chatsInList},
        {"changedChats", result.changedChats},
        {"openedChats", result.openedChats},
        {"unopenableChats", result.unopenableChats},
        {"noPressTarget", result.noPressTarget},
        {"neverSelected", result.neverSelected},
        {"openedEmpty", result.openedEmpty},
        {"raced", result.raced},
        {"rowsSeen", result.rowsSeen},
        {"unidentifiedChats", result.unidentifiedChats},
        {"undirectedRows", result.undirectedRows},
        {"systemLines", result.systemLines},
        {"deferredChats", result.deferredChats},
        {"rowsWithoutTarget", result.rowsWithoutTarget},
        {"unreadableRows", result.unreadableRows},
        {"sharedKeyRows", result.sharedKeyRows},
        {"nonConversationRows", result.nonConversationRows},
        {"rowsWithoutChatId", result.rowsWithoutChatId},
        {"mediaRows", result.mediaRows},
        {"mediaWithBytes", result.mediaWithBytes},
        {"mediaWithoutBytes", result.mediaWithoutBytes},
        {"mediaViewOnce", result.mediaViewOnce},
        {"unknownMediaTypes", result.unknownMediaTypes},
        {"clockRefusedAsText", result.clockRefusedAsText},
        {"panesStillGrowing", result.panesStillGrowing},
        {"shortenedMessages", result.shortenedMessages},
        {"shortenedFullTextRecovered", result.shortenedFullTextRecovered},
        {"shortenedWithoutFullText", result.shortenedWithoutFullText},
        {"ciphertextRows", result.ciphertextRows},
        {"heldBackChats", result.heldBackChats},
        {"peekedChats", result.peekedChats},
        {"peekBlindChats", result.peekBlindChats},
        {"peekRows", result.peekRows},
        {"peekWaiting", result.peekWaiting},
        {"peekUnreadable", result.peekUnreadable},
        {"harvestedChats", result.harvestedChats},
        {"ciphertextChats", result.ciphertextChats},
        {"waitingTags", result.waitingTags},
        {"resolvedTags", result.resolvedTags},
        {"peekShallow", result.peekShallow},
        {"idsDisagree", result.idsDisagree},
        {"fingerprints", result.fingerprints},
        {"note", orNull(result.note)},
        {"summary", result.summary()},
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: read_capture_report <now in seconds since 1970> < report\n";
        return 2;
    }
    const std::string report{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    const auto now = std::chrono::system_clock::time_point(std::chrono::seconds(std::stoll(argv[1])));
    std::cout << resultJson(readMessages(report, now)).dump();
    return 0;
}
