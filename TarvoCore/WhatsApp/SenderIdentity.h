#pragma once

#include <string>

namespace tarvo::WhatsAppWeb {

// Who wrote an ingested message, as the service takes it: a phone number ("phone") or, when
// WhatsApp shows no number, its own identifier ("whatsapp").
struct SenderIdentity {
    std::string value;
    std::string kind;

    bool operator==(const SenderIdentity&) const = default;
};

} // namespace tarvo::WhatsAppWeb
