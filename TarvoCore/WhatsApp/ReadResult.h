#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/Message.h"
#include "TarvoCore/WhatsApp/Stage.h"

namespace tarvo::WhatsAppWeb {

// What one capture pass read out of the page: the messages and every counter of the pass.
struct ReadResult {
    std::vector<Message> messages{};
    // None when the page's answer could not be read.
    std::optional<Stage> stage{};
    std::int64_t skipped = 0;
    std::int64_t chatsInList = 0;
    std::int64_t changedChats = 0;
    std::int64_t openedChats = 0;
    std::int64_t unopenableChats = 0;
    std::int64_t noPressTarget = 0;
    std::int64_t neverSelected = 0;
    std::int64_t openedEmpty = 0;
    std::int64_t raced = 0;
    std::int64_t rowsSeen = 0;
    std::int64_t unidentifiedChats = 0;
    std::int64_t undirectedRows = 0;
    std::int64_t systemLines = 0;
    std::int64_t deferredChats = 0;
    std::int64_t rowsWithoutTarget = 0;
    std::int64_t unreadableRows = 0;
    std::int64_t sharedKeyRows = 0;
    std::int64_t nonConversationRows = 0;
    std::int64_t rowsWithoutChatId = 0;
    std::int64_t mediaRows = 0;
    std::int64_t mediaWithBytes = 0;
    std::int64_t mediaWithoutBytes = 0;
    std::int64_t mediaViewOnce = 0;
    std::int64_t unknownMediaTypes = 0;
    std::int64_t clockRefusedAsText = 0;
    std::int64_t panesStillGrowing = 0;
    std::int64_t shortenedMessages = 0;
    std::int64_t shortenedFullTextRecovered = 0;
    std::int64_t shortenedWithoutFullText = 0;
    std::int64_t ciphertextRows = 0;
    // Chat keys.
    std::vector<std::string> heldBackChats{};
    std::vector<std::string> peekedChats{};
    std::vector<std::string> peekBlindChats{};
    std::int64_t peekRows = 0;
    std::int64_t peekWaiting = 0;
    std::int64_t peekUnreadable = 0;
    std::vector<std::string> harvestedChats{};
    std::vector<std::string> ciphertextChats{};
    // Chat key to the tags of the messages that chat waits on, or that turned up.
    std::map<std::string, std::vector<std::string>> waitingTags{};
    std::map<std::string, std::vector<std::string>> resolvedTags{};
    std::int64_t peekShallow = 0;
    std::int64_t idsDisagree = 0;
    // Set only by `excluding`.
    std::int64_t alreadyKnown = 0;
    std::int64_t withheld = 0;
    // The row prints that may become the next baseline.
    std::vector<std::string> fingerprints{};
    std::optional<std::string> note{};

    // The capture log line.
    std::string summary() const;

    // A copy without the messages that must not be posted: those already handed over, then those
    // the service refused on every retry. Both predicates receive a message's `externalId`.
    using Predicate = std::function<bool(const std::string& externalId)>;
    ReadResult excluding(const Predicate& alreadyKnown, const Predicate& withheld) const;

    bool operator==(const ReadResult&) const = default;
};

} // namespace tarvo::WhatsAppWeb
