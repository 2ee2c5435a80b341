#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo::WhatsAppWeb {

// The one file of a captured message: what the page said about it, and its bytes when the page
// had them on screen, or why it did not.
struct Attachment {
    // The message's id followed by ":media".
    std::string externalId{};
    // The page's file name, or the media type when there is none.
    std::string filename{};
    std::string mimeType{};
    // The size of the whole file, never of a preview.
    std::int64_t sizeBytes = 0;
    // The page's media type ("image", "ptt", "document", ...).
    std::string providerHint{};
    // The sender set the file to view once.
    bool ephemeral = false;
    std::optional<std::int64_t> durationSeconds{};
    std::optional<std::string> bytes{};
    // Why there are no bytes; absent when there are.
    std::optional<std::string> bytesNote{};

    bool operator==(const Attachment&) const = default;
};

} // namespace tarvo::WhatsAppWeb
