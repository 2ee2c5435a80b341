#include "TarvoCore/WhatsApp/ReadResult.h"

#include <algorithm>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace tarvo::WhatsAppWeb {
namespace {

std::string joined(const std::vector<std::string>& parts) { return fmt::format("{}", fmt::join(parts, ", ")); }

std::string unopenablePart(const ReadResult& result) {
    std::vector<std::string> reasons;
    if (result.noPressTarget > 0) reasons.push_back(fmt::format("{} unrecognised press target", result.noPressTarget));
    if (result.neverSelected > 0) reasons.push_back(fmt::format("{} never became selected", result.neverSelected));
    if (result.openedEmpty > 0) reasons.push_back(fmt::format("{} opened with no messages", result.openedEmpty));
    if (result.raced > 0) reasons.push_back(fmt::format("{} lost a race", result.raced));
    if (reasons.empty()) return fmt::format("{} would not open", result.unopenableChats);
    return fmt::format("{} would not open ({})", result.unopenableChats, joined(reasons));
}

std::string peekedPart(const ReadResult& result) {
    const auto newlyPeeked = std::count_if(result.messages.begin(), result.messages.end(),
                                           [](const Message& message) { return message.peeked; });
    std::vector<std::string> details{fmt::format("{} message(s) in the page's memory", result.peekRows)};
    if (newlyPeeked > 0) details.push_back(fmt::format("{} new", newlyPeeked));
    if (result.peekWaiting > 0) details.push_back(fmt::format("{} still decrypting", result.peekWaiting));
    if (result.peekUnreadable > 0) details.push_back(fmt::format("{} unreadable", result.peekUnreadable));
    return fmt::format("{} chat(s) re-read without opening ({})", result.peekedChats.size(), joined(details));
}

} // namespace

std::string ReadResult::summary() const {
    std::vector<std::string> parts{
        stage ? fmt::format("stage: {}", rawValue(*stage)) : std::string("stage: unreadable answer"),
        fmt::format("{} new message(s)", messages.size()),
        fmt::format("{} chat(s) in the list", chatsInList),
        fmt::format("{} changed", changedChats),
        fmt::format("{} opened", openedChats),
        fmt::format("{} message row(s) in the conversation pane", rowsSeen),
    };
    const auto add = [&parts](bool when, auto&& part) {
        if (when) parts.emplace_back(part());
    };
    const auto counted = [](std::int64_t count, std::string_view words) {
        return [count, words] { return fmt::format("{} {}", count, words); };
    };
    add(unopenableChats > 0, [this] { return unopenablePart(*this); });
    add(unidentifiedChats > 0, counted(unidentifiedChats, "chat(s) could not name themselves — dropped"));
    add(undirectedRows > 0, counted(undirectedRows, "row(s) with no readable direction — dropped"));
    add(mediaRows > 0, [this] {
        return fmt::format("{} with a file ({} carried, {} described only, {} view-once)", mediaRows, mediaWithBytes,
                           mediaWithoutBytes, mediaViewOnce);
    });
    add(unknownMediaTypes > 0, counted(unknownMediaTypes, "row(s) of a media kind this build does not know"));
    add(sharedKeyRows > 0, counted(sharedKeyRows, "row(s) share a key with another row — they cannot be told apart, "
                                                  "so a message in one opens another and marks IT read"));
    add(unreadableRows > 0, counted(unreadableRows, "row(s) could not be identified at all — not compared, not "
                                                    "baselined; if this is most of the list the reader is blind"));
    add(nonConversationRows > 0,
        counted(nonConversationRows, "row(s) in the list are not conversations (a Channel, Status, a broadcast list) "
                                     "— not opened, so they cost no slots"));
    add(rowsWithoutChatId > 0,
        counted(rowsWithoutChatId, "row(s) would not give up a WhatsApp id — a Channel or Status row among them "
                                   "cannot be told from a conversation, so it is opened"));
    add(clockRefusedAsText > 0, counted(clockRefusedAsText, "bubble(s) whose only words were their own clock"));
    add(panesStillGrowing > 0,
        counted(panesStillGrowing, "conversation(s) were STILL RENDERING when they were read — a message in them "
                                   "may have been missed"));
    add(shortenedMessages > 0, [this] {
        return fmt::format("{} collapsed behind Read more ({} read in full)", shortenedMessages,
                           shortenedFullTextRecovered);
    });
    add(shortenedWithoutFullText > 0,
        counted(shortenedWithoutFullText, "message(s) STORED SHORTENED — WhatsApp collapsed them and the full text "
                                          "could not be read, so the end of each is missing"));
    add(skipped > 0, counted(skipped, "unreadable"));
    add(ciphertextRows > 0, counted(ciphertextRows, "row(s) WhatsApp has not decrypted yet"));
    add(!heldBackChats.empty(),
        counted(static_cast<std::int64_t>(heldBackChats.size()),
                "chat(s) NOT marked seen because a row in them had no words yet — opened again on the next pass"));
    add(!peekedChats.empty(), [this] { return peekedPart(*this); });
    add(!peekBlindChats.empty(),
        counted(static_cast<std::int64_t>(peekBlindChats.size()),
                "chat(s) due a re-read without opening held nothing Tarvo could read — if that is all of them, the "
                "page keeps its messages somewhere new"));
    add(peekShallow > 0, counted(peekShallow, "chat(s) read without opening held fewer of their messages than "
                                              "WhatsApp counts unread — the rest arrive when the chat is opened"));
    add(idsDisagree > 0, counted(idsDisagree, "message(s) whose row id and model id disagree — read without opening, "
                                              "each would reach Tarvo under a second name"));
    add(systemLines > 0, counted(systemLines, "system line(s)"));
    add(deferredChats > 0, counted(deferredChats, "changed chat(s) left for the next look"));
    add(alreadyKnown > 0, counted(alreadyKnown, "already sent to the brain"));
    add(withheld > 0, counted(withheld, "refused by the brain on every retry — not posted again until its row moves"));
    add(note.has_value(), [this] { return *note; });
    return joined(parts);
}

ReadResult ReadResult::excluding(const Predicate& isAlreadyKnown, const Predicate& isWithheld) const {
    ReadResult result = *this;
    result.messages.clear();
    for (const auto& message : messages) {
        if (isAlreadyKnown(message.externalId)) {
            ++result.alreadyKnown;
        } else if (isWithheld(message.externalId)) {
            ++result.withheld;
        } else {
            result.messages.push_back(message);
        }
    }
    return result;
}

} // namespace tarvo::WhatsAppWeb
