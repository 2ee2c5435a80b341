#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo::WhatsAppWeb {

// A bubble's pre-text, "[stamp] sender: ", taken apart.
struct PrePlainText {
    std::optional<std::string> sender{};
    std::string stamp{};

    bool operator==(const PrePlainText&) const = default;
};

// None when there is no "]" after the opening character.
std::optional<PrePlainText> parsePrePlainText(std::string_view text);

} // namespace tarvo::WhatsAppWeb
