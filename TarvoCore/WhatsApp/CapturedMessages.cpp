#include "TarvoCore/WhatsApp/CapturedMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "TarvoBase/Base64.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/Text.h"
#include "TarvoCore/WhatsApp/DataId.h"
#include "TarvoCore/WhatsApp/PrePlainText.h"

namespace tarvo::WhatsAppWeb {
namespace {

using Date = std::chrono::system_clock::time_point;

constexpr std::string_view unreadableNote =
    "WhatsApp Web returned nothing Tarvo could read — no messages were captured";
constexpr std::string_view noVerdictNote =
    "the capture script returned no verdict about this file — that is a bug in Tarvo";

// The page's numbers are JavaScript doubles: only integers up to 2^53 are exact there, and keeping
// to them lets counters be added without overflow.
constexpr double largestExactInteger = 9007199254740992.0;
// The clock holds nanoseconds in 64 bits, up to the year 2262; a later time is no time at all.
constexpr double latestReadableSeconds = 9000000000.0;

const Json* member(const Json& object, std::string_view key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::optional<std::int64_t> integer(const Json* value) {
    if (value == nullptr || !value->is_number()) return std::nullopt;
    const double number = value->get<double>();
    if (!std::isfinite(number) || std::trunc(number) != number || std::fabs(number) > largestExactInteger) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(number);
}

std::int64_t counter(const Json& object, std::string_view key) { return integer(member(object, key)).value_or(0); }

std::optional<std::string> string(const Json& object, std::string_view key) {
    const Json* value = member(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::string> nonEmptyString(const Json& object, std::string_view key) {
    auto value = string(object, key);
    if (value && value->empty()) return std::nullopt;
    return value;
}

std::optional<bool> boolean(const Json& object, std::string_view key) {
    const Json* value = member(object, key);
    if (value == nullptr || !value->is_boolean()) return std::nullopt;
    return value->get<bool>();
}

// A list the page builds from strings only; anything else in it is left out, not the whole list.
std::vector<std::string> strings(const Json* value) {
    std::vector<std::string> result;
    if (value == nullptr || !value->is_array()) return result;
    for (const auto& element : *value) {
        if (element.is_string()) result.push_back(element.get<std::string>());
    }
    return result;
}

std::vector<std::string> strings(const Json& object, std::string_view key) { return strings(member(object, key)); }

std::map<std::string, std::vector<std::string>> tagLists(const Json& object, std::string_view key) {
    std::map<std::string, std::vector<std::string>> result;
    const Json* value = member(object, key);
    if (value == nullptr || !value->is_object()) return result;
    for (const auto& [chatKey, tags] : value->items()) {
        if (tags.is_array()) result.emplace(chatKey, strings(&tags));
    }
    return result;
}

Date sentAt(const Json& record, std::size_t recordCount, Date now) {
    const Json* t = member(record, "t");
    if (t != nullptr && t->is_number()) {
        const double seconds = t->get<double>();
        if (seconds > 0 && seconds < latestReadableSeconds) {
            return Date(std::chrono::duration_cast<Date::duration>(std::chrono::duration<double>(seconds)));
        }
    }
    const auto count = static_cast<std::int64_t>(recordCount);
    const auto order = std::clamp<std::int64_t>(counter(record, "order"), 0, count);
    return now - std::chrono::seconds(count - order);
}

std::optional<Message> message(const Json& record, std::size_t recordCount, Date now) {
    if (!record.is_object() || record.empty()) return std::nullopt;
    // An empty id or conversation names nothing: filed under it, the message would be a guess.
    const auto id = nonEmptyString(record, "id");
    auto text = string(record, "text");
    if (!id || !text) return std::nullopt;

    Message result;
    if (auto legacy = parseDataId(*id)) {
        result.externalId = std::move(legacy->messageId);
        result.conversationRef = std::move(legacy->conversationRef);
        result.isFromMe = legacy->isFromMe;
    } else {
        auto conversation = nonEmptyString(record, "conv");
        const auto fromMe = boolean(record, "fromMe");
        if (!conversation || !fromMe) return std::nullopt;
        result.externalId = *id;
        result.conversationRef = std::move(*conversation);
        result.isFromMe = *fromMe;
    }
    result.text = std::move(*text);
    result.sentAt = sentAt(record, recordCount, now);
    if (const auto pre = string(record, "pre")) {
        if (auto parsed = parsePrePlainText(*pre)) result.senderName = std::move(parsed->sender);
    }
    result.authorRef = string(record, "author");
    if (const auto title = string(record, "title")) {
        auto trimmed = Text::trimmingWhitespaceAndNewlines(*title);
        if (!trimmed.empty()) result.conversationTitle = std::move(trimmed);
    }
    if (auto file = attachment(record, result.externalId)) result.attachments.push_back(std::move(*file));
    result.chatKey = string(record, "chat");
    result.peeked = boolean(record, "peek").value_or(false);
    return result;
}

ReadResult unreadableAnswer() {
    ReadResult result;
    result.note = std::string(unreadableNote);
    return result;
}

} // namespace

std::optional<Attachment> attachment(const Json& record, std::string_view messageId) {
    const Json* media = member(record, "media");
    if (media == nullptr || !media->is_object()) return std::nullopt;
    const auto type = nonEmptyString(*media, "type");
    if (!type) return std::nullopt;

    Attachment result;
    const Json* bytes = member(record, "bytes");
    if (bytes != nullptr && bytes->is_object()) {
        if (const auto b64 = string(*bytes, "b64")) result.bytes = Base64::decode(*b64);
        if (!result.bytes) result.bytesNote = string(*bytes, "note").value_or(std::string(noVerdictNote));
    } else {
        result.bytesNote = std::string(noVerdictNote);
    }
    const std::int64_t size = counter(*media, "size");
    result.sizeBytes = size < 1 && result.bytes ? static_cast<std::int64_t>(result.bytes->size()) : std::max<std::int64_t>(size, 0);
    result.externalId = std::string(messageId) + ":media";
    result.filename = nonEmptyString(*media, "filename").value_or(*type);
    result.mimeType = nonEmptyString(*media, "mime").value_or("application/octet-stream");
    result.providerHint = *type;
    result.ephemeral = boolean(*media, "viewOnce").value_or(false);
    result.durationSeconds = integer(member(*media, "duration"));
    return result;
}

ReadResult readMessages(std::string_view report, Date now) {
    const auto parsed = JsonReader::parse(report);
    if (!parsed || !parsed->is_object()) return unreadableAnswer();
    const Json& answer = *parsed;

    ReadResult result;
    if (const auto stage = string(answer, "stage")) result.stage = stageFromName(*stage);
    result.skipped = counter(answer, "noId") + counter(answer, "noText") + counter(answer, "noConversation");
    if (const Json* records = member(answer, "messages"); records != nullptr && records->is_array()) {
        for (const auto& record : *records) {
            if (auto read = message(record, records->size(), now)) {
                result.messages.push_back(std::move(*read));
            } else {
                ++result.skipped;
            }
        }
    }
    result.chatsInList = counter(answer, "rowsInList");
    result.changedChats = counter(answer, "changed");
    result.openedChats = counter(answer, "opened");
    result.unopenableChats = counter(answer, "failedToOpen");
    result.noPressTarget = counter(answer, "noPressTarget");
    result.neverSelected = counter(answer, "neverSelected");
    result.openedEmpty = counter(answer, "openedEmpty");
    result.raced = counter(answer, "raced");
    result.rowsSeen = counter(answer, "rowsSeen");
    result.unidentifiedChats = counter(answer, "chatsWithNoId");
    result.undirectedRows = counter(answer, "noDirection");
    result.systemLines = counter(answer, "systemLines");
    result.deferredChats = counter(answer, "deferred");
    result.rowsWithoutTarget = counter(answer, "rowsWithoutTarget");
    result.unreadableRows = counter(answer, "unreadableRows");
    result.sharedKeyRows = counter(answer, "sharedKeyRows");
    result.nonConversationRows = counter(answer, "nonConversationRows");
    result.rowsWithoutChatId = counter(answer, "rowsWithoutChatId");
    result.mediaRows = counter(answer, "mediaRows");
    result.mediaWithBytes = counter(answer, "mediaBytes");
    result.mediaWithoutBytes = counter(answer, "mediaWithoutBytes");
    result.mediaViewOnce = counter(answer, "mediaViewOnce");
    result.unknownMediaTypes = counter(answer, "unknownMediaTypes");
    result.clockRefusedAsText = counter(answer, "clockAsText");
    result.panesStillGrowing = counter(answer, "panesStillGrowing");
    result.shortenedMessages = counter(answer, "collapsedRows");
    result.shortenedFullTextRecovered = counter(answer, "collapsedRepaired");
    result.shortenedWithoutFullText = counter(answer, "shortenedWithoutFullText");
    result.ciphertextRows = counter(answer, "ciphertextRows");
    result.heldBackChats = strings(answer, "heldBack");
    result.peekedChats = strings(answer, "peeked");
    result.peekBlindChats = strings(answer, "peekBlind");
    result.peekRows = counter(answer, "peekRows");
    result.peekWaiting = counter(answer, "peekWaiting");
    result.peekUnreadable = counter(answer, "peekUnreadable");
    result.harvestedChats = strings(answer, "harvested");
    result.ciphertextChats = strings(answer, "ciphertextChats");
    result.waitingTags = tagLists(answer, "waitingTags");
    result.resolvedTags = tagLists(answer, "resolvedTags");
    result.peekShallow = counter(answer, "peekShallow");
    result.idsDisagree = counter(answer, "idsDisagree");
    result.fingerprints = strings(answer, "fingerprints");
    result.note = string(answer, "reason");
    return result;
}

} // namespace tarvo::WhatsAppWeb
