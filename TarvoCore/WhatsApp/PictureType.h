#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo::WhatsAppWeb {

// The media type of a picture the pasteboard can carry (PNG, JPEG, GIF, WebP, HEIC), read from
// the file's leading bytes; nothing for any other file, whatever it is named.
std::optional<std::string> pictureType(std::string_view bytes);

} // namespace tarvo::WhatsAppWeb
