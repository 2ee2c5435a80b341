#pragma once

#include <chrono>
#include <optional>
#include <string_view>

#include "TarvoBase/Json.h"
#include "TarvoCore/WhatsApp/Attachment.h"
#include "TarvoCore/WhatsApp/ReadResult.h"

// The companion's side of the capture script: its JSON report read into messages and counters.
namespace tarvo::WhatsAppWeb {

// Never fails: an answer that is not a JSON object gives no messages, no stage and a note. A record
// that lacks what it needs is dropped and counted in `skipped`, never filed under a guess.
ReadResult readMessages(std::string_view report, std::chrono::system_clock::time_point now);

// The file of one message record, when the record's `media` names a type. Missing or undecodable
// bytes still give an attachment, described by its note, so the service learns a file was there.
std::optional<Attachment> attachment(const Json& record, std::string_view messageId);

} // namespace tarvo::WhatsAppWeb
