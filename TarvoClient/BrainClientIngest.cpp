#include <memory>
#include <utility>

#include "TarvoBase/Base64.h"
#include "TarvoBase/TarvoDate.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/IngestResponse.h"
#include "TarvoClient/PathSegment.h"
#include "TarvoClient/RequestBody.h"

namespace tarvo {
namespace {

Json attachmentObject(const OutgoingAttachment& attachment) {
    Json object{{"externalId", attachment.externalId},
                {"filename", attachment.filename},
                {"mimeType", attachment.mimeType},
                {"sizeBytes", attachment.sizeBytes}};
    if (attachment.providerHint) object["providerHint"] = *attachment.providerHint;
    if (attachment.sensitive) object["sensitive"] = true;
    if (attachment.ephemeral) object["ephemeral"] = true;
    if (attachment.durationSeconds) object["durationSeconds"] = *attachment.durationSeconds;
    return object;
}

std::string senderKind(const std::string& identifier, const std::optional<std::string>& given) {
    if (given) return *given;
    return identifier.find('@') != std::string::npos ? "email" : "phone";
}

Task<std::vector<AttachmentDecision>> ingestAs(std::shared_ptr<BrainClient> self, Json body) {
    IngestResponse answer = co_await self->post<IngestResponse>("/v1/ingest", std::move(body));
    co_return answer.attachments.value_or(std::vector<AttachmentDecision>{});
}

Task<void> uploadAs(std::shared_ptr<BrainClient> self, std::string id, std::string data) {
    const std::string path = "/v1/ingest/attachments/" + pathSegment(id, "attachment id") + "/bytes";
    Json body{{"dataBase64", Base64::encode(data)}};
    co_await self->post<BrainClient::EmptyResponse>(path, std::move(body));
}

} // namespace

Task<std::vector<AttachmentDecision>> BrainClient::ingest(
    std::string channelId, std::string externalThreadId, std::string externalMessageId, std::string direction,
    std::string body, std::chrono::system_clock::time_point sentAt, std::optional<std::string> senderIdentifier,
    std::optional<std::string> senderIdentifierKind, std::optional<std::string> senderDisplayName,
    std::string threadKind, std::optional<std::string> threadTitle, bool sentViaTarvo,
    std::vector<OutgoingAttachment> attachments) {
    Json message{{"channelId", std::move(channelId)},
                 {"externalThreadId", std::move(externalThreadId)},
                 {"externalMessageId", std::move(externalMessageId)},
                 {"direction", std::move(direction)},
                 {"body", std::move(body)},
                 {"sentAt", TarvoDate::format(sentAt)},
                 {"threadKind", std::move(threadKind)}};
    if (sentViaTarvo) message["sentViaTarvo"] = true;
    if (senderIdentifier) {
        message["senderIdentifier"] = *senderIdentifier;
        message["senderIdentifierKind"] = senderKind(*senderIdentifier, senderIdentifierKind);
    }
    if (senderDisplayName) message["senderDisplayName"] = *senderDisplayName;
    if (threadTitle && !threadTitle->empty()) message["threadTitle"] = *threadTitle;
    if (!attachments.empty()) {
        Json described = Json::array();
        for (const auto& attachment : attachments) described.push_back(attachmentObject(attachment));
        message["attachments"] = std::move(described);
    }
    return ingestAs(shared_from_this(), std::move(message));
}

Task<void> BrainClient::uploadInboundAttachment(std::string id, std::string data) {
    return uploadAs(shared_from_this(), std::move(id), std::move(data));
}

Task<HttpTransport::Response> BrainClient::postMessageEvents(std::string channelId, std::vector<Json> events) {
    const Json body{{"channelId", std::move(channelId)}, {"events", std::move(events)}};
    // A refused batch is read and sent again, so one ill-formed text would hold back every event
    // after it for good: it goes repaired instead.
    return send("POST", "/v1/ingest/message-events", requestBody(body, IllFormedText::repair), "application/json",
                {}, false);
}

} // namespace tarvo
