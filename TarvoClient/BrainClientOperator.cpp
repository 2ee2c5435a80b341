#include <algorithm>
#include <memory>
#include <utility>

#include "TarvoClient/BrainClient.h"
#include "TarvoClient/OperatorAccepted.h"
#include "TarvoClient/PathSegment.h"

namespace tarvo {
namespace {

constexpr std::int64_t longestPollSeconds = 25;

std::string stepPath(const std::string& stepId, const char* rest) {
    return "/v1/mac/operator/steps/" + pathSegment(stepId, "step id") + rest;
}

Task<bool> postResultAs(std::shared_ptr<BrainClient> self, std::string stepId, Json result) {
    const std::string path = stepPath(stepId, "/result");
    OperatorAccepted answer = co_await self->post<OperatorAccepted>(path, std::move(result));
    co_return answer.accepted == true;
}

Task<void> postStoppedAs(std::shared_ptr<BrainClient> self, std::string runId, std::string by) {
    const std::string path = "/v1/mac/operator/runs/" + pathSegment(runId, "run id") + "/stopped";
    Json body{{"by", std::move(by)}};
    co_await self->post<BrainClient::EmptyResponse>(path, std::move(body));
}

Task<int> reportStoppedAs(std::shared_ptr<BrainClient> self, std::string runId, std::string by) {
    try {
        co_await self->postRunStopped(std::move(runId), std::move(by));
        co_return 200;
    } catch (const BrainClient::Failure& failure) {
        co_return failure.kind() == BrainClient::Failure::Kind::http ? failure.status() : 0;
    } catch (...) {
        co_return 0;
    }
}

Task<HttpTransport::Response> setModeAs(std::shared_ptr<BrainClient> self, std::string deviceId, std::string mode) {
    const std::string path = "/v1/mac/devices/" + pathSegment(deviceId, "device id") + "/permissions/mode";
    std::string body = requestBody(Json{{"mode", std::move(mode)}});
    co_return co_await self->send("PUT", path, std::move(body), "application/json", {});
}

Task<HttpTransport::Response> fileStateAs(std::shared_ptr<BrainClient> self, std::string stepId) {
    const std::string path = stepPath(stepId, "/file");
    co_return co_await self->send("GET", path, std::nullopt, std::nullopt, {});
}

Task<HttpTransport::Response> fileChunkAs(std::shared_ptr<BrainClient> self, std::string stepId, std::int64_t offset,
                                          std::int64_t total, std::string sha256, std::string bytes) {
    const std::string path = stepPath(stepId, "/file");
    HttpTransport::Headers headers{{"x-tarvo-offset", std::to_string(offset)},
                                   {"x-tarvo-total", std::to_string(total)},
                                   {"x-tarvo-sha256", std::move(sha256)}};
    co_return co_await self->send("PUT", path, std::move(bytes), "application/octet-stream", std::move(headers));
}

} // namespace

Json BrainClient::nextOperatorStepBody(std::int64_t wait, const std::optional<std::string>& holding,
                                       const std::optional<std::vector<std::string>>& can) {
    Json body = Json::object();
    body["wait"] = std::clamp<std::int64_t>(wait, 0, longestPollSeconds);
    body["holding"] = holding ? Json(*holding) : Json(nullptr);
    if (can) body["can"] = *can;
    return body;
}

Task<OperatorNextAnswer> BrainClient::nextOperatorStep(std::int64_t wait, std::optional<std::string> holding,
                                                       std::optional<std::vector<std::string>> can) {
    return post<OperatorNextAnswer>("/v1/mac/operator/next", nextOperatorStepBody(wait, holding, can));
}

Task<bool> BrainClient::postOperatorResult(std::string stepId, Json result) {
    return postResultAs(shared_from_this(), std::move(stepId), std::move(result));
}

Task<void> BrainClient::postRunStopped(std::string runId, std::string by) {
    return postStoppedAs(shared_from_this(), std::move(runId), std::move(by));
}

Task<int> BrainClient::reportRunStopped(std::string runId, std::string by) {
    return reportStoppedAs(shared_from_this(), std::move(runId), std::move(by));
}

Task<HttpTransport::Response> BrainClient::setPermissionMode(std::string deviceId, std::string mode) {
    return setModeAs(shared_from_this(), std::move(deviceId), std::move(mode));
}

Task<HttpTransport::Response> BrainClient::operatorFileState(std::string stepId) {
    return fileStateAs(shared_from_this(), std::move(stepId));
}

Task<HttpTransport::Response> BrainClient::operatorFileChunk(std::string stepId, std::int64_t offset,
                                                             std::int64_t total, std::string sha256,
                                                             std::string bytes) {
    return fileChunkAs(shared_from_this(), std::move(stepId), offset, total, std::move(sha256), std::move(bytes));
}

} // namespace tarvo
