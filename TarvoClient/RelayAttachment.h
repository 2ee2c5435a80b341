#pragma once

#include <cstdint>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// One file of a relay job, announced but not carried; its bytes are fetched on their own.
struct RelayAttachment {
    std::string id;
    std::string filename;
    std::string mimeType;
    std::int64_t sizeBytes = 0;

    // Throws `JsonReadError`. `path` names the value in failures.
    static RelayAttachment fromJson(const Json& json, std::string path = {});

    bool operator==(const RelayAttachment&) const = default;
};

} // namespace tarvo
