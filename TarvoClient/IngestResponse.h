#pragma once

#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoClient/AttachmentDecision.h"

namespace tarvo {

// The answer of an ingest.
struct IngestResponse {
    std::optional<std::vector<AttachmentDecision>> attachments;

    // Throws `JsonReadError`.
    static IngestResponse fromJson(const Json& json, std::string path = {});

    bool operator==(const IngestResponse&) const = default;
};

} // namespace tarvo
