#pragma once

#include <exception>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "TarvoBase/Task.h"
#include "TarvoCore/WhatsApp/Message.h"
#include "TarvoCore/WhatsApp/RetryBudget.h"

namespace tarvo::WhatsAppWeb {

// What one pass of handing captured messages to the service came to, and from it which chats the
// next capture pass reads again.
struct IngestPass {
    struct Failed {
        Message message;
        std::exception_ptr error;
    };

    // Accepted by the service, in order.
    std::vector<Message> posted{};
    std::vector<Failed> failed{};
    // Left out because an earlier failure stopped the pass.
    std::vector<Message> notTried{};

    // The chats to open again for the messages that were not peeked, and to peek again for those
    // that were. Both forget the tries of every posted message and count one against each message
    // the service refused for what it is, so `budget` is the same message-id budget for both.
    std::set<std::string> chatsToReopen(RetryBudget& budget) const;
    std::set<std::string> chatsToPeekAgain(RetryBudget& budget) const;

private:
    std::set<std::string> chatsToReadAgain(RetryBudget& budget, bool peeked) const;
};

// Whether the service has switched the channel off.
bool failureIsTheChannel(const std::exception_ptr& error);
// Whether no later message can be posted either: the service is out of reach, the sign-in is gone
// or the channel is off.
bool failureStopsTheRest(const std::exception_ptr& error);

// Posts each message in order, one at a time, until a failure stops the rest.
Task<IngestPass> ingestEach(std::vector<Message> messages, std::function<Task<void>(Message)> post);

} // namespace tarvo::WhatsAppWeb
