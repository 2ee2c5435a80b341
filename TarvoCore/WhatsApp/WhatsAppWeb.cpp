#include "TarvoCore/WhatsApp/WhatsAppWeb.h"

namespace tarvo::WhatsAppWeb {

bool shouldAdvertise(const std::optional<SessionState>& settled, bool hostsLinkedSession) {
    if (!settled) return hostsLinkedSession;
    switch (settled->kind()) {
    case SessionState::Kind::linked:
        return true;
    case SessionState::Kind::needsLink:
        return false;
    case SessionState::Kind::syncing:
    case SessionState::Kind::unrecognised:
        return hostsLinkedSession;
    }
    return false;
}

} // namespace tarvo::WhatsAppWeb
