#pragma once

#include <cstdint>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// The answer of a relay attachment fetch: the file's bytes in standard Base64.
struct FetchedAttachment {
    std::string id;
    std::string filename;
    std::string mimeType;
    std::int64_t sizeBytes = 0;
    std::string dataBase64;

    // Throws `JsonReadError`.
    static FetchedAttachment fromJson(const Json& json, std::string path = {});

    bool operator==(const FetchedAttachment&) const = default;
};

} // namespace tarvo
