#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tarvo {

// One attachment of a captured message, described in its ingest; the service answers whether it
// wants the bytes.
struct OutgoingAttachment {
    // The Mac's own id of the attachment; the service's decision names it back.
    std::string externalId;
    std::string filename;
    std::string mimeType;
    std::int64_t sizeBytes;
    std::optional<std::string> providerHint;
    bool sensitive;
    bool ephemeral;
    std::optional<std::int64_t> durationSeconds;

    bool operator==(const OutgoingAttachment&) const = default;
};

} // namespace tarvo
