#include "TarvoCore/WhatsApp/ToPost.h"

#include <set>
#include <string>

namespace tarvo::WhatsAppWeb {

ReadResult toPost(const ReadResult& result, const SentMessages& sent, const PeekSchedule& schedule,
                  const RetryBudget& retries) {
    std::set<std::string> known;
    std::set<std::string> withheld;
    for (const auto& message : result.messages) {
        if (sent.alreadySent(message)) {
            known.insert(message.externalId);
        } else if (message.peeked) {
            // A peek meets the same newest messages on every pass; a message read by opening its
            // chat comes back only when the chat changes, and is then always offered again.
            if (schedule.alreadyHanded(message)) {
                known.insert(message.externalId);
            } else if (retries.hasRunOut(message.externalId)) {
                withheld.insert(message.externalId);
            }
        }
    }
    const auto isKnown = [&known](const std::string& id) { return known.contains(id); };
    const auto isWithheld = [&withheld](const std::string& id) { return withheld.contains(id); };
    return result.excluding(isKnown, isWithheld);
}

} // namespace tarvo::WhatsAppWeb
