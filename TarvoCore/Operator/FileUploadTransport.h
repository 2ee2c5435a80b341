#pragma once

#include <cstdint>
#include <string>

#include "TarvoBase/Task.h"
#include "TarvoCore/Operator/MacUploadState.h"

namespace tarvo {

// How the uploader reaches the service.
class FileUploadTransport {
public:
    virtual ~FileUploadTransport() = default;

    // Where the service's copy of the step's file stands.
    virtual Task<MacUploadState> uploadState(std::string stepId) = 0;
    // Sends one chunk of the file; the answer is the state after it.
    virtual Task<MacUploadState> uploadChunk(std::string stepId, std::int64_t offset, std::int64_t total,
                                             std::string sha256, std::string bytes) = 0;
};

} // namespace tarvo
