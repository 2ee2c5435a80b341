#pragma once

#include <optional>
#include <string>

namespace tarvo::WhatsAppWeb {

// How a send into WhatsApp Web went: whether the page took the files and the words, and when it
// did not, a sentence for the person who wrote the reply.
struct SendOutcome {
    bool ok = false;
    std::optional<std::string> reason;

    bool operator==(const SendOutcome&) const = default;
};

} // namespace tarvo::WhatsAppWeb
