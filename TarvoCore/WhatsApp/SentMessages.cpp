#include "TarvoCore/WhatsApp/SentMessages.h"

#include <algorithm>

namespace tarvo::WhatsAppWeb {
namespace {

bool hasBytes(const Message& message) {
    return std::any_of(message.attachments.begin(), message.attachments.end(),
                       [](const Attachment& attachment) { return attachment.bytes.has_value(); });
}

// Only a peek can come back for what it missed: an opened chat's message is not read again.
// View-once media is never readable twice, so it is never owed.
bool owesBytes(const Message& message) {
    return message.peeked &&
           std::any_of(message.attachments.begin(), message.attachments.end(), [](const Attachment& attachment) {
               return !attachment.bytes && !attachment.ephemeral;
           });
}

} // namespace

void SentMessages::record(const Message& message) {
    const std::string& id = message.externalId;
    if (owesBytes(message)) {
        bytesOwed_.insert(id);
    } else if (hasBytes(message)) {
        bytesOwed_.erase(id);
    }
    if (!ids_.insert(id).second) return;
    order_.push_back(id);
    if (order_.size() <= memory) return;
    const auto forgotten = order_.begin() + static_cast<std::ptrdiff_t>(order_.size() - memory);
    for (auto oldest = order_.begin(); oldest != forgotten; ++oldest) {
        ids_.erase(*oldest);
        bytesOwed_.erase(*oldest);
    }
    order_.erase(order_.begin(), forgotten);
}

bool SentMessages::alreadySent(const Message& message) const {
    if (!ids_.contains(message.externalId)) return false;
    return !(bytesOwed_.contains(message.externalId) && hasBytes(message));
}

} // namespace tarvo::WhatsAppWeb
