#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvo::WhatsAppWeb {

// The legacy three-field message id: direction word, chat ref and message id joined by "_".
struct DataId {
    bool isFromMe = false;
    std::string conversationRef{};
    std::string messageId{};

    bool operator==(const DataId&) const = default;
};

// The chat ref between the first and the last "_" may itself hold underscores. None unless the
// head is "true" or "false" and the middle and the tail are not empty.
std::optional<DataId> parseDataId(std::string_view id);

} // namespace tarvo::WhatsAppWeb
