#pragma once

#include <optional>

#include "TarvoCore/WhatsApp/SessionState.h"

// The page model of WhatsApp Web: rules over what its session probe reports. Nothing here keeps
// state.
namespace tarvo::WhatsAppWeb {

// Whether this computer names WhatsApp among the channels it serves. A linked page is served and
// a page showing its linking code is not; for anything in between (still loading, syncing, not
// readable) the stored latch of a session this computer hosts decides, because a heartbeat that
// left the channel out would suspend it.
bool shouldAdvertise(const std::optional<SessionState>& settled, bool hostsLinkedSession);

} // namespace tarvo::WhatsAppWeb
