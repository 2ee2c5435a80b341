#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "TarvoBase/Json.h"

namespace tarvo {

// How far the upload of a step's file has got, as the service says. The service, not this
// computer, decides where the next chunk starts.
struct MacUploadState {
    // Bytes of the file the service holds, from the start.
    std::int64_t received = 0;
    // The size as the service records it; carried, not used here.
    std::optional<std::int64_t> total;
    bool complete = false;
    std::optional<std::string> documentId;
    std::optional<bool> fileKept;
    // The service's own sentence for the user, when it has one.
    std::optional<std::string> sentence;

    // Strict: "received" (a whole number) and "complete" are required; a null optional member
    // reads as absent and unknown members are ignored. Throws `JsonReadError`.
    static MacUploadState fromJson(const Json& json);

    bool operator==(const MacUploadState&) const = default;
};

} // namespace tarvo
