#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoCore/WhatsApp/SessionState.h"

// The page model of WhatsApp Web: rules over what its session probe reports. Nothing here keeps
// state.
namespace tarvo::WhatsAppWeb {

// The largest file WhatsApp Web takes from this computer.
constexpr std::int64_t outgoingMediaCapBytes = 16 * 1024 * 1024;

// Whether this computer names WhatsApp among the channels it serves. A linked page is served and
// a page showing its linking code is not; for anything in between (still loading, syncing, not
// readable) the stored latch of a session this computer hosts decides, because a heartbeat that
// left the channel out would suspend it.
bool shouldAdvertise(const std::optional<SessionState>& settled, bool hostsLinkedSession);

// The sentence refusing a file over the cap, nothing for a file that fits.
std::optional<std::string> outgoingMediaRefusal(std::int64_t sizeBytes, std::string_view mimeType);

// The media type without its parameters, or "file" when there is none.
std::string describedType(std::string_view mimeType);

} // namespace tarvo::WhatsAppWeb
