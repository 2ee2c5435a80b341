#include "TarvoCore/Operator/BrainUploadTransport.h"

#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoCore/Operator/OperatorPortFailure.h"

namespace tarvo {
namespace {

std::optional<MacUploadState> decoded(const Json& json) {
    try {
        return MacUploadState::fromJson(json);
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

Task<MacUploadState> stateAs(std::shared_ptr<BrainClient> client, std::string stepId) {
    const HttpTransport::Response answer = co_await client->operatorFileState(std::move(stepId));
    co_return BrainUploadTransport::state(answer.status, answer.body, false);
}

Task<MacUploadState> chunkAs(std::shared_ptr<BrainClient> client, std::string stepId, std::int64_t offset,
                             std::int64_t total, std::string sha256, std::string bytes) {
    const HttpTransport::Response answer =
        co_await client->operatorFileChunk(std::move(stepId), offset, total, std::move(sha256), std::move(bytes));
    co_return BrainUploadTransport::state(answer.status, answer.body, true);
}

} // namespace

Task<MacUploadState> BrainUploadTransport::uploadState(std::string stepId) {
    return stateAs(client, std::move(stepId));
}

Task<MacUploadState> BrainUploadTransport::uploadChunk(std::string stepId, std::int64_t offset, std::int64_t total,
                                                       std::string sha256, std::string bytes) {
    return chunkAs(client, std::move(stepId), offset, total, std::move(sha256), std::move(bytes));
}

MacUploadState BrainUploadTransport::state(int status, const std::string& body, bool resumable) {
    const bool usable = (status >= 200 && status <= 299) || (status == 409 && resumable);
    const std::optional<Json> json = JsonReader::parse(body);
    if (usable && json && json->is_object()) {
        if (auto state = decoded(*json)) return *state;
        if (const auto inner = json->find("state"); inner != json->end()) {
            if (auto state = decoded(*inner)) return *state;
        }
    }
    if (json && json->is_object()) {
        if (const auto message = json->find("message"); message != json->end() && message->is_string())
            throw OperatorPortFailure(message->get<std::string>());
    }
    throw OperatorPortFailure("Tarvo would not take the file (" + std::to_string(status) +
                              "), so it was not brought back.");
}

} // namespace tarvo
