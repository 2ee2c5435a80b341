#include <memory>
#include <utility>

#include "TarvoBase/Base64.h"
#include "TarvoBase/Text.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClaimResponse.h"
#include "TarvoClient/FetchedAttachment.h"
#include "TarvoClient/PathSegment.h"

namespace tarvo {
namespace {

constexpr std::size_t longestFailureReason = 300;

Task<std::vector<RelayJob>> claimAs(std::shared_ptr<BrainClient> self, std::int64_t limit) {
    Json body{{"limit", limit}};
    ClaimResponse claimed = co_await self->post<ClaimResponse>("/v1/relay/jobs/claim", std::move(body));
    co_return std::move(claimed.jobs);
}

Task<BrainClient::AttachmentBytes> fetchAs(std::shared_ptr<BrainClient> self, std::string jobId,
                                           std::string attachmentId) {
    const std::string path = "/v1/relay/jobs/" + pathSegment(jobId, "job id") + "/attachments/" +
                             pathSegment(attachmentId, "attachment id");
    FetchedAttachment fetched = co_await self->get<FetchedAttachment>(path);
    std::optional<std::string> data = Base64::decode(fetched.dataBase64);
    if (!data || data->empty()) throw BrainClient::Failure::decoding("the file arrived with no readable bytes");
    if (static_cast<std::int64_t>(data->size()) != fetched.sizeBytes) {
        throw BrainClient::Failure::decoding("the file arrived " + std::to_string(data->size()) +
                                             " bytes long where " + std::to_string(fetched.sizeBytes) +
                                             " were promised");
    }
    co_return BrainClient::AttachmentBytes{std::move(fetched.filename), std::move(*data)};
}

Task<void> reportAs(std::shared_ptr<BrainClient> self, std::string id, Json body) {
    const std::string path = "/v1/relay/jobs/" + pathSegment(id, "job id") + "/result";
    co_await self->post<BrainClient::EmptyResponse>(path, std::move(body));
}

} // namespace

Task<HeartbeatResponse> BrainClient::heartbeat(std::vector<std::string> channels,
                                               std::optional<std::string> blockedReason, std::optional<Json> capture,
                                               std::optional<Json> operatorCaps, std::optional<Json> device,
                                               bool nudgeNotices, std::optional<Json> chatDb) {
    return post<HeartbeatResponse>("/v1/relay/heartbeat", heartbeatBody(channels, blockedReason, capture,
                                                                        operatorCaps, chatDb, device, nudgeNotices));
}

Json BrainClient::heartbeatBody(const std::vector<std::string>& channels,
                                const std::optional<std::string>& blockedReason, const std::optional<Json>& capture,
                                const std::optional<Json>& operatorCaps, const std::optional<Json>& chatDb,
                                const std::optional<Json>& device, bool nudgeNotices) {
    Json body = Json::object();
    body["channels"] = channels;
    body["blockedReason"] = blockedReason ? Json(*blockedReason) : Json(nullptr);
    if (capture) body["capture"] = *capture;
    if (operatorCaps) body["operator"] = *operatorCaps;
    if (chatDb) body["chatDb"] = *chatDb;
    if (device) body["device"] = *device;
    if (nudgeNotices) body["nudgeNotices"] = true;
    return body;
}

Task<std::vector<RelayJob>> BrainClient::claimJobs(std::int64_t limit) { return claimAs(shared_from_this(), limit); }

Task<BrainClient::AttachmentBytes> BrainClient::relayAttachmentBytes(std::string jobId, std::string attachmentId) {
    return fetchAs(shared_from_this(), std::move(jobId), std::move(attachmentId));
}

Task<void> BrainClient::reportJob(std::string id, bool ok, std::optional<std::string> failureReason,
                                  std::optional<std::string> providerMessageId) {
    Json body{{"ok", ok}};
    if (failureReason) body["failureReason"] = fitFailureReason(*failureReason);
    if (providerMessageId) body["providerMessageId"] = *providerMessageId;
    return reportAs(shared_from_this(), std::move(id), std::move(body));
}

std::string BrainClient::fitFailureReason(std::string_view reason) {
    if (Text::graphemeCount(reason) <= longestFailureReason) return std::string(reason);
    return Text::graphemePrefix(reason, longestFailureReason - 3) + "...";
}

} // namespace tarvo
