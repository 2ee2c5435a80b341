#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "TarvoCore/WhatsApp/Message.h"

namespace tarvo::WhatsAppWeb {

// The captured messages already posted to the service, so that meeting one again (a chat opened
// again after a failure, a peek reading the newest messages again) does not post it twice, unless
// the first post lacked media bytes the service is still owed and the message now has them. Kept
// in memory only, for the newest `memory` ids.
class SentMessages {
public:
    static constexpr std::size_t memory = 800;

    // Books a message the service accepted.
    void record(const Message& message);
    // Whether posting the message again would be a duplicate.
    bool alreadySent(const Message& message) const;

    const std::set<std::string>& ids() const { return ids_; }
    // Posted without media bytes the service is still owed.
    const std::set<std::string>& bytesOwed() const { return bytesOwed_; }

private:
    std::set<std::string> ids_;
    // The same ids, oldest first.
    std::vector<std::string> order_;
    std::set<std::string> bytesOwed_;
};

} // namespace tarvo::WhatsAppWeb
