#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/Attachment.h"

namespace tarvo::WhatsAppWeb {

// One message read out of WhatsApp Web.
struct Message {
    // WhatsApp's own id of the message.
    std::string externalId{};
    // The chat ref of the conversation.
    std::string conversationRef{};
    bool isFromMe = false;
    // The words; empty for a file sent without any.
    std::string text{};
    std::chrono::system_clock::time_point sentAt{};
    // The sender named in the bubble's pre-text.
    std::optional<std::string> senderName{};
    // The participant ref of the author in a group.
    std::optional<std::string> authorRef{};
    // The conversation's display name.
    std::optional<std::string> conversationTitle{};
    // At most one.
    std::vector<Attachment> attachments{};
    // The chat key of the list row it was read from.
    std::optional<std::string> chatKey{};
    // Read from the page's memory without opening the chat.
    bool peeked = false;

    bool operator==(const Message&) const = default;
};

} // namespace tarvo::WhatsAppWeb
