#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "TarvoBase/Json.h"

namespace tarvo {

// One message the browser wrote on its DevTools pipe: the reply to a command, or an event. What
// a page does reaches these messages, so they are read as outside input.
struct DevToolsMessage {
    // The id of the command a reply answers; none for an event.
    std::optional<std::int64_t> replyTo;
    // Why the browser refused the command, for a reply that carries an error.
    std::optional<std::string> refusal;
    // A reply's result (an empty object when it has none), or the whole event.
    Json body;

    // Nothing for text that is not one JSON object, read with the bounded parser.
    static std::optional<DevToolsMessage> read(std::string_view text);
};

} // namespace tarvo
