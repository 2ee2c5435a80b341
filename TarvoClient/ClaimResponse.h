#pragma once

#include <string>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoClient/RelayJob.h"

namespace tarvo {

// The answer of a job claim.
struct ClaimResponse {
    std::vector<RelayJob> jobs;

    // Throws `JsonReadError`.
    static ClaimResponse fromJson(const Json& json, std::string path = {});

    bool operator==(const ClaimResponse&) const = default;
};

} // namespace tarvo
