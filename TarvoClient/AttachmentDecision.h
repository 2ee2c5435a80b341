#pragma once

#include <optional>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// The service's answer for one ingested attachment: does it want the bytes.
struct AttachmentDecision {
    std::string externalId;
    // The service's id of the attachment; its bytes are uploaded under it.
    std::optional<std::string> id;
    std::string mediaClass;
    bool wantBytes = false;
    std::optional<std::string> reason;

    // Throws `JsonReadError`.
    static AttachmentDecision fromJson(const Json& json, std::string path = {});

    bool operator==(const AttachmentDecision&) const = default;
};

} // namespace tarvo
