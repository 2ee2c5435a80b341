#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "FuzzCheck.h"
#include "JSONValueWriter.h"
#include "TarvoBase/JsonReadError.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/AccessTokenExpiry.h"
#include "TarvoClient/AttachmentDecision.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClaimResponse.h"
#include "TarvoClient/FetchedAttachment.h"
#include "TarvoClient/HeartbeatResponse.h"
#include "TarvoClient/IngestResponse.h"
#include "TarvoClient/JSONValue.h"
#include "TarvoClient/OperatorAccepted.h"
#include "TarvoClient/OperatorNextAnswer.h"
#include "TarvoClient/PairingClient.h"
#include "TarvoClient/ProblemBody.h"
#include "TarvoClient/RelayJob.h"

// The service's answers, one reader chosen by the first byte, the rest the answer's body.
//
// A record decodes whole or is refused whole: the record written back as the service would send
// it holds every member of the answer it was read from (an absent optional member only where
// the answer had none, or null), decoding that again gives the same record, and a refusal is a
// `JsonReadError`, never another exception.
namespace {

using namespace tarvo;
using fuzz::require;
using fuzz::sameValue;

// ---- The records written back as the service sends them ----

template <class T>
Json optional(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json wire(const JSONValue::Object& members) { return fuzz::jsonOf(members); }
Json wire(const RelayAttachment& file);
Json wire(const AttachmentDecision& decision);
Json wire(const HeartbeatNudge& nudge);
Json wire(const Pressed& pressed);
Json wire(const RelayJob& job);

template <class T>
Json optionalObject(const std::optional<T>& value) {
    return value ? wire(*value) : Json(nullptr);
}

template <class Record>
Json list(const std::vector<Record>& records) {
    Json array = Json::array();
    for (const auto& record : records) array.push_back(wire(record));
    return array;
}

Json wire(const RelayAttachment& file) {
    return {{"id", file.id}, {"filename", file.filename}, {"mimeType", file.mimeType}, {"sizeBytes", file.sizeBytes}};
}

Json wire(const RelayJob& job) {
    return {{"id", job.id},
            {"channelKind", job.channelKind},
            {"threadId", job.threadId},
            {"conversationRef", job.conversationRef},
            {"conversationName", optional(job.conversationName)},
            {"body", job.body},
            {"attachments", job.attachments ? list(*job.attachments) : Json(nullptr)},
            {"waitingSeconds", job.waitingSeconds},
            {"attempts", job.attempts}};
}

Json wire(const ClaimResponse& claim) { return {{"jobs", list(claim.jobs)}}; }

Json wire(const HeartbeatNudge& nudge) {
    return {{"turnId", nudge.turnId}, {"title", nudge.title}, {"body", nudge.body}};
}

Json wire(const HeartbeatResponse& answer) {
    return {{"channels", answer.channels},
            {"waitingJobs", answer.waitingJobs},
            {"needsYou", optional(answer.needsYou)},
            {"followUpCount", optional(answer.followUpCount)},
            {"channelIds", optional(answer.channelIds)},
            {"unmatched", optional(answer.unmatched)},
            {"nudge", optionalObject(answer.nudge)},
            {"macPermissionMode", optional(answer.macPermissionMode)}};
}

Json wire(const AttachmentDecision& decision) {
    return {{"externalId", decision.externalId},
            {"id", optional(decision.id)},
            {"mediaClass", decision.mediaClass},
            {"wantBytes", decision.wantBytes},
            {"reason", optional(decision.reason)}};
}

Json wire(const IngestResponse& answer) {
    return {{"attachments", answer.attachments ? list(*answer.attachments) : Json(nullptr)}};
}

Json wire(const FetchedAttachment& file) {
    return {{"id", file.id},
            {"filename", file.filename},
            {"mimeType", file.mimeType},
            {"sizeBytes", file.sizeBytes},
            {"dataBase64", file.dataBase64}};
}

Json wire(const Pressed& pressed) { return {{"digest", pressed.digest}, {"at", pressed.at}}; }

Json wire(const OperatorNextAnswer& answer) {
    return {{"kind", answer.kind},
            {"runId", optional(answer.runId)},
            {"stepId", optional(answer.stepId)},
            {"ordinal", optional(answer.ordinal)},
            {"step", optionalObject(answer.step)},
            {"answerWithinMs", optional(answer.answerWithinMs)},
            {"reason", optional(answer.reason)},
            {"liveRunId", optional(answer.liveRunId)},
            {"pressed", optionalObject(answer.pressed)},
            {"permit", optionalObject(answer.permit)}};
}

Json wire(const OperatorAccepted& answer) { return {{"accepted", optional(answer.accepted)}}; }

// Whether `written` says no more than `answer` does: each member of a record is in the answer
// with the same value, a null one absent or null there. Payloads the record keeps as JSON (a
// step, a permit, a map of ids) must be the answer's whole.
bool within(const Json& written, const Json& answer, bool wholePayload = false) {
    if (wholePayload) return sameValue(written, answer);
    if (written.is_object() && answer.is_object()) {
        for (const auto& [key, value] : written.items()) {
            const auto found = answer.find(key);
            if (value.is_null()) {
                if (found != answer.end() && !found->is_null()) return false;
                continue;
            }
            if (found == answer.end()) return false;
            const bool payload = key == "step" || key == "permit" || key == "channelIds";
            if (!within(value, *found, payload)) return false;
        }
        return true;
    }
    if (written.is_array() && answer.is_array()) {
        if (written.size() != answer.size()) return false;
        for (std::size_t index = 0; index < written.size(); ++index) {
            if (!within(written[index], answer[index])) return false;
        }
        return true;
    }
    return sameValue(written, answer);
}

template <class Record>
void decodesWholeOrNotAtAll(const Json& answer) {
    std::optional<Record> record;
    try {
        record = Record::fromJson(answer);
    } catch (const JsonReadError&) {
        return;
    }
    const Json written = wire(*record);
    require(within(written, answer));
    require(Record::fromJson(written) == *record);
}

// ---- The readers that go through a request ----

// Answers every request at once with one answer.
class ScriptedAnswer final : public HttpTransport {
public:
    explicit ScriptedAnswer(Response response) : response_(std::move(response)) {}
    Task<Response> perform(Request) override { co_return response_; }

private:
    Response response_;
};

RunLoop& loop() {
    static RunLoop shared;
    return shared;
}

const ClientIdentity identity{"macos", 1, "1.0", "Fuzz Mac", std::nullopt};

template <class T, class Failure>
std::variant<T, Failure> outcome(Task<T> task) {
    try {
        return runUntilDone(loop(), std::move(task));
    } catch (const Failure& failure) {
        return failure;
    }
}

std::optional<std::string> textMember(const Json& answer, const char* key) {
    const auto found = answer.find(key);
    if (found == answer.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

std::optional<std::int64_t> wholeNumber(const Json& answer, const char* key) {
    const auto found = answer.find(key);
    if (found == answer.end()) return std::nullopt;
    try {
        return JsonReader::asInt64(*found, key);
    } catch (const JsonReadError&) {
        return std::nullopt;
    }
}

// The answer as the pairing and renewal calls read it: not an object counts as an empty one.
Json objectOf(std::string_view body) {
    auto json = JsonReader::parse(body);
    return json && json->is_object() ? std::move(*json) : Json::object();
}

void pairingStart(std::string_view body) {
    const PairingClient client("https://tarvo.test", identity, std::make_shared<ScriptedAnswer>(
                                                                 HttpTransport::Response{200, std::string(body)}));
    const auto started = outcome<PairingClient::Started, PairingClient::Failure>(client.start(Json::object()));
    const Json answer = objectOf(body);
    if (const auto* refused = std::get_if<PairingClient::Failure>(&started)) {
        require(refused->kind() == PairingClientFailure::Kind::refused);
        return;
    }
    const auto& pairing = std::get<PairingClient::Started>(started);
    require(textMember(answer, "userCode") == pairing.userCode);
    require(textMember(answer, "deviceCode") == pairing.deviceCode);
    require(textMember(answer, "verificationUrl") == pairing.verificationUrl);
    // A time the answer gives as a whole number is kept, held within the bounds deadlines allow.
    const auto sent = [&answer](const char* key, std::int64_t otherwise) {
        return wholeNumber(answer, key).value_or(otherwise);
    };
    require(pairing.expiresInSeconds ==
            std::clamp<std::int64_t>(sent("expiresInSeconds", 600), 0, PairingClient::longestExpirySeconds));
    require(pairing.intervalSeconds ==
            std::clamp<std::int64_t>(sent("intervalSeconds", 3), 1, PairingClient::longestIntervalSeconds));
}

void pairingPoll(std::string_view body) {
    const PairingClient client("https://tarvo.test", identity, std::make_shared<ScriptedAnswer>(
                                                                 HttpTransport::Response{200, std::string(body)}));
    const auto polled = outcome<PairingClient::Poll, PairingClient::Failure>(client.poll("device-code"));
    const Json answer = objectOf(body);
    const std::string status = textMember(answer, "status").value_or("pending");
    if (const auto* refused = std::get_if<PairingClient::Failure>(&polled)) {
        require(status == "approved" && refused->kind() == PairingClientFailure::Kind::refused);
        return;
    }
    const auto& poll = std::get<PairingClient::Poll>(polled);
    if (const auto* approved = std::get_if<PairingClient::Approved>(&poll)) {
        require(status == "approved");
        require(textMember(answer, "accessToken") == approved->accessToken);
        require(textMember(answer, "refreshToken") == approved->refreshToken);
        require(textMember(answer, "deviceId") == approved->deviceId);
        require(textMember(answer, "userId") == approved->userId);
    } else if (std::holds_alternative<PairingClient::Denied>(poll)) {
        require(status == "denied");
    } else if (std::holds_alternative<PairingClient::Expired>(poll)) {
        require(status == "expired");
    } else {
        require(status != "approved" && status != "denied" && status != "expired");
    }
}

// The renewal: a new pair exactly as sent, told to the owner before it is used, or a failure.
void refresh(std::string_view body) {
    std::optional<std::pair<std::string, std::string>> told;
    auto heard = [&told](const std::string& access, const std::string& renewed) { told.emplace(access, renewed); };
    auto transport = std::make_shared<ScriptedAnswer>(HttpTransport::Response{200, std::string(body)});
    const auto renewed = outcome<BrainClient::Credentials, BrainClient::Failure>(
        BrainClient::exchange("refresh-1", "device-1", transport, "https://tarvo.test", identity, heard));
    if (const auto* failure = std::get_if<BrainClient::Failure>(&renewed)) {
        require(failure->kind() == BrainClientFailure::Kind::decoding && !told);
        return;
    }
    const Json answer = objectOf(body);
    const auto& credentials = std::get<BrainClient::Credentials>(renewed);
    require(textMember(answer, "accessToken") == credentials.accessToken);
    require(textMember(answer, "refreshToken") == credentials.refreshToken);
    require(credentials.deviceId == "device-1");
    require(told == std::pair(credentials.accessToken, credentials.refreshToken));
}

// A refused request's body: each of the three members read as sent, or the whole body ignored.
void problem(std::string_view body) {
    const auto read = ProblemBody::read(body);
    if (!read) return;
    const auto answer = JsonReader::parse(body);
    require(answer && answer->is_object());
    const std::array<std::pair<const char*, std::optional<std::string>>, 3> members{
        {{"code", read->code}, {"message", read->message}, {"error", read->error}}};
    for (const auto& [key, value] : members) require(textMember(*answer, key) == value);
}

// An access token's expiry lies between 1970 and 2100, or is not known; judging it never overflows.
void tokenExpiry(std::string_view token) {
    using namespace std::chrono;
    const auto expiry = accessTokenExpiry(token);
    if (expiry) {
        require(expiry->time_since_epoch() >= system_clock::duration::zero());
        require(*expiry <= sys_days(year(2100) / January / 1));
    }
    const auto now = system_clock::time_point(seconds(1'700'000'000));
    const bool usable = accessTokenIsUsable(token, duration<double>(60.0), now);
    if (!expiry) return require(!usable);
    const auto left = *expiry - now;
    // Judged in floating seconds, so only a clear margin either way is certain.
    if (left > seconds(61)) require(usable);
    if (left < seconds(59)) require(!usable);
}

void record(std::uint8_t reader, const Json& answer) {
    switch (reader) {
    case 0: return decodesWholeOrNotAtAll<ClaimResponse>(answer);
    case 1: return decodesWholeOrNotAtAll<RelayJob>(answer);
    case 2: return decodesWholeOrNotAtAll<HeartbeatResponse>(answer);
    case 3: return decodesWholeOrNotAtAll<IngestResponse>(answer);
    case 4: return decodesWholeOrNotAtAll<AttachmentDecision>(answer);
    case 5: return decodesWholeOrNotAtAll<FetchedAttachment>(answer);
    case 6: return decodesWholeOrNotAtAll<OperatorNextAnswer>(answer);
    case 7: return decodesWholeOrNotAtAll<OperatorAccepted>(answer);
    default: return;
    }
}

constexpr std::uint8_t records = 8;
constexpr std::uint8_t readers = records + 5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t reader = data[0] % readers;
    const std::string_view body = fuzz::text(data + 1, size - 1);
    if (reader < records) {
        // Every answer is read with the bounded parser first, as `BrainClient` does.
        if (const auto answer = JsonReader::parse(body)) record(reader, *answer);
        return 0;
    }
    switch (reader - records) {
    case 0: pairingStart(body); break;
    case 1: pairingPoll(body); break;
    case 2: refresh(body); break;
    case 3: problem(body); break;
    case 4: tokenExpiry(body); break;
    }
    return 0;
}
