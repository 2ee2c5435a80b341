#pragma once

#include <memory>
#include <string>

#include "TarvoCore/Operator/FileUploadTransport.h"

namespace tarvo {

class BrainClient;

// The upload transport over the signed-in service client.
class BrainUploadTransport : public FileUploadTransport {
public:
    explicit BrainUploadTransport(std::shared_ptr<BrainClient> client) : client(std::move(client)) {}

    Task<MacUploadState> uploadState(std::string stepId) override;
    Task<MacUploadState> uploadChunk(std::string stepId, std::int64_t offset, std::int64_t total, std::string sha256,
                                     std::string bytes) override;

    // One answer of the service judged: a 2xx (or, for a chunk, a 409 naming where to go on)
    // whose body is the state or {"state": state}. Anything else throws `OperatorPortFailure`
    // with the answer's "message", or a sentence naming the status.
    static MacUploadState state(int status, const std::string& body, bool resumable);

    std::shared_ptr<BrainClient> client;
};

} // namespace tarvo
