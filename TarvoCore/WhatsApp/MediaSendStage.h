#pragma once

#include <optional>
#include <string_view>

namespace tarvo::WhatsAppWeb {

// How far the attachment script got with one file, in the order it goes: the bytes decoded, the
// attach menu opened, a file input found, one accepting the type chosen, the file built, the
// editor offered, the send pressed and confirmed, and the file gone.
enum class MediaSendStage { decode, attachMenu, fileInput, notAccepted, dataTransfer, preview, confirm, sent };

// The stage as the script names it, which is its name here.
std::string_view rawValue(MediaSendStage stage);
// The stage the script names; none for any other text.
std::optional<MediaSendStage> mediaSendStageFromRawValue(std::string_view text);

} // namespace tarvo::WhatsAppWeb
