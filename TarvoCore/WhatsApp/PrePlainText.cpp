#include "TarvoCore/WhatsApp/PrePlainText.h"

#include <algorithm>

#include "TarvoBase/Text.h"

namespace tarvo::WhatsAppWeb {
namespace {

// The bytes of the text's first code point: the opening bracket is skipped whatever it is.
std::size_t firstCodePointLength(std::string_view text) {
    std::size_t length = 1;
    while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
    return length;
}

} // namespace

std::optional<PrePlainText> parsePrePlainText(std::string_view text) {
    const auto close = text.find(']');
    if (close == std::string_view::npos || close == 0) return std::nullopt;
    const auto open = std::min(firstCodePointLength(text), close);
    std::string sender = Text::trimmingWhitespace(text.substr(close + 1));
    if (!sender.empty() && sender.back() == ':') sender = Text::trimmingWhitespace(sender.substr(0, sender.size() - 1));
    return PrePlainText{sender.empty() ? std::nullopt : std::optional(std::move(sender)),
                        Text::trimmingWhitespace(text.substr(open, close - open))};
}

} // namespace tarvo::WhatsAppWeb
