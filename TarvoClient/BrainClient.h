#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "TarvoBase/Json.h"
#include "TarvoBase/JsonReader.h"
#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/Task.h"
#include "TarvoClient/BrainClientFailure.h"
#include "TarvoClient/ClientIdentity.h"
#include "TarvoClient/HttpTransport.h"
#include "TarvoClient/ProblemBody.h"
#include "TarvoClient/RequestBody.h"

#include "TarvoClient/AttachmentDecision.h"
#include "TarvoClient/HeartbeatResponse.h"
#include "TarvoClient/OperatorNextAnswer.h"
#include "TarvoClient/OutgoingAttachment.h"
#include "TarvoClient/RelayJob.h"

namespace tarvo {

// The signed-in companion's one road to the service. Every request is stamped with this
// Mac's identity and bearer token, a refused token is renewed once, and every outcome maps to
// one failure type. Operations run on the main loop; their transfers run off it in the transport,
// so several requests of one client can be in flight at once.
//
// Always owned by a `std::shared_ptr`: a request in flight keeps its client alive.
class BrainClient : public std::enable_shared_from_this<BrainClient> {
public:
    struct Credentials {
        std::string accessToken;
        std::string refreshToken;
        std::string deviceId;

        bool operator==(const Credentials&) const = default;
    };

    using Failure = BrainClientFailure;
    using ProblemBody = tarvo::ProblemBody;

    // The answer of an operation whose answer carries nothing of interest; its body is never read.
    struct EmptyResponse {};

    // Told each new token pair; may be called from any thread.
    using TokensCallback = std::function<void(const std::string& accessToken, const std::string& refreshToken)>;

    BrainClient(std::string baseURL, ClientIdentity identity, std::optional<Credentials> credentials,
                std::shared_ptr<HttpTransport> session, TokensCallback onTokens = {});
    virtual ~BrainClient() = default;

    BrainClient(const BrainClient&) = delete;
    BrainClient& operator=(const BrainClient&) = delete;

    // The stored access token; none when not signed in. No network.
    std::optional<std::string> currentAccessToken() const;

    // The stored access token while it has more than a minute left by the loop's clock, else a
    // renewed one.
    Task<std::string> usableAccessToken();

    // Renews the current pair whatever its expiry and answers the new access token.
    Task<std::string> renew();

    // Leaves renewed (or already newer) credentials stored and returns them, or throws; a
    // failure keeps the old pair. `after` is the access token that a refused request carried.
    // Every caller arriving while a renewal runs shares it, so the service's rotating refresh
    // token is spent once.
    Task<Credentials> refresh(std::optional<std::string> after);

    // One refresh request; `onTokens` hears the new pair before it is returned. The device id
    // is not sent: it is carried over into the renewed credentials.
    static Task<Credentials> exchange(std::string refreshToken, std::string deviceId,
                                      std::shared_ptr<HttpTransport> session, std::string baseURL,
                                      ClientIdentity identity, TokensCallback onTokens);

    // `A` is decoded from a 2xx answer with `A::fromJson(const Json&)`, which throws on a missing
    // or mistyped member. A body that cannot be written as JSON fails as `decoding` (see
    // `requestBody`) once the credentials are known to be there. `retrying` is for the
    // pipeline's own retry: callers pass false.
    template <class A>
    Task<A> post(std::string path, Json body, bool retrying = false) {
        return call<A>(shared_from_this(), "POST", std::move(path), std::move(body), retrying);
    }

    template <class A>
    Task<A> get(std::string path, bool retrying = false) {
        return call<A>(shared_from_this(), "GET", std::move(path), std::nullopt, retrying);
    }

    // The same authorised request with the caller's own body; answers whatever status came
    // back without judging it. `headers` go after the standard ones and win over them.
    Task<HttpTransport::Response> send(std::string method, std::string path, std::optional<std::string> body,
                                       std::optional<std::string> contentType, HttpTransport::Headers headers,
                                       bool retrying = false);

    // ---- Endpoints ----
    // Every id that goes into a request path is sent as one path segment (see `pathSegment`); an
    // id that cannot be one fails the call as `transport` before anything is sent.

    // Relay: the heartbeat, and the claim, files and report of outgoing messages.
    struct AttachmentBytes {
        std::string filename;
        std::string data;

        bool operator==(const AttachmentBytes&) const = default;
    };

    virtual Task<HeartbeatResponse> heartbeat(std::vector<std::string> channels,
                                              std::optional<std::string> blockedReason, std::optional<Json> capture,
                                              std::optional<Json> operatorCaps, std::optional<Json> device,
                                              bool nudgeNotices, std::optional<Json> chatDb);
    // The body `heartbeat` sends for the same arguments (note the order: `chatDb` before `device`).
    static Json heartbeatBody(const std::vector<std::string>& channels, const std::optional<std::string>& blockedReason,
                              const std::optional<Json>& capture, const std::optional<Json>& operatorCaps,
                              const std::optional<Json>& chatDb, const std::optional<Json>& device, bool nudgeNotices);
    virtual Task<std::vector<RelayJob>> claimJobs(std::int64_t limit);
    virtual Task<AttachmentBytes> relayAttachmentBytes(std::string jobId, std::string attachmentId);
    virtual Task<void> reportJob(std::string id, bool ok, std::optional<std::string> failureReason,
                                 std::optional<std::string> providerMessageId);
    // At most 300 characters, cut between whole characters.
    static std::string fitFailureReason(std::string_view reason);

    // Ingest: what the companion reads on this Mac.
    virtual Task<std::vector<AttachmentDecision>> ingest(
        std::string channelId, std::string externalThreadId, std::string externalMessageId, std::string direction,
        std::string body, std::chrono::system_clock::time_point sentAt, std::optional<std::string> senderIdentifier,
        std::optional<std::string> senderIdentifierKind, std::optional<std::string> senderDisplayName,
        std::string threadKind, std::optional<std::string> threadTitle, bool sentViaTarvo,
        std::vector<OutgoingAttachment> attachments);
    virtual Task<void> uploadInboundAttachment(std::string id, std::string data);
    // One batch of reactions and receipts of a channel. The answer comes back unjudged: the
    // caller words a refusal its own way.
    virtual Task<HttpTransport::Response> postMessageEvents(std::string channelId, std::vector<Json> events);

    // Operator: the service operating this Mac. Not overridable.
    // `wait` is held to 0...25 seconds; "can" is left out when `can` is absent.
    static Json nextOperatorStepBody(std::int64_t wait, const std::optional<std::string>& holding,
                                     const std::optional<std::vector<std::string>>& can);
    Task<OperatorNextAnswer> nextOperatorStep(std::int64_t wait, std::optional<std::string> holding,
                                              std::optional<std::vector<std::string>> can);
    // True only when the service answers that it accepted the result.
    Task<bool> postOperatorResult(std::string stepId, Json result);
    Task<void> postRunStopped(std::string runId, std::string by);
    // Never fails: 200 when reported, the refusal's HTTP status, or 0 for any other failure.
    Task<int> reportRunStopped(std::string runId, std::string by);
    // These three hand back whatever status the service answered, unjudged.
    Task<HttpTransport::Response> setPermissionMode(std::string deviceId, std::string mode);
    Task<HttpTransport::Response> operatorFileState(std::string stepId);
    Task<HttpTransport::Response> operatorFileChunk(std::string stepId, std::int64_t offset, std::int64_t total,
                                                    std::string sha256, std::string bytes);
    // ---- End of endpoints ----

private:
    struct Formed {
        HttpTransport::Request request;
        std::string accessToken;
    };

    template <class A>
    static Task<A> call(std::shared_ptr<BrainClient> self, std::string method, std::string path,
                        std::optional<Json> body, bool retrying);

    static Task<HttpTransport::Response> sendAs(std::shared_ptr<BrainClient> self, std::string method, std::string path,
                                                std::optional<std::string> body, std::optional<std::string> contentType,
                                                HttpTransport::Headers headers, bool retrying);

    Formed form(const std::string& method, const std::string& path, std::optional<std::string> body,
                std::optional<std::string> contentType, const HttpTransport::Headers& extra) const;
    static Task<HttpTransport::Response> transfer(std::shared_ptr<HttpTransport> session,
                                                  HttpTransport::Request request);
    static Failure refusal(const HttpTransport::Response& response);
    static void noteRenewalFailure(const std::string& path, const Failure& failure);

    template <class A>
    static A decode(const std::string& body);

    using Renewal = OneShotResult<Credentials>;
    static Task<Credentials> refreshAs(std::shared_ptr<BrainClient> self, std::optional<std::string> after);
    static Task<void> runRenewal(std::shared_ptr<BrainClient> self, std::shared_ptr<Renewal> renewal,
                                 Credentials renewing);
    static Task<std::string> usableAccessTokenAs(std::shared_ptr<BrainClient> self);
    static Task<std::string> renewAs(std::shared_ptr<BrainClient> self);

    // Changed only by token renewal.
    std::optional<Credentials> credentials_;
    // The renewal in flight, shared by every caller that needs one while it runs.
    std::shared_ptr<Renewal> refreshInFlight_;

    const std::string baseURL_;
    const ClientIdentity identity_;
    const std::shared_ptr<HttpTransport> session_;
    const TokensCallback onTokens_;
};

template <class A>
Task<A> BrainClient::call(std::shared_ptr<BrainClient> self, std::string method, std::string path,
                          std::optional<Json> body, bool retrying) {
    Formed formed = self->form(method, path, std::nullopt, "application/json", {});
    if (body) formed.request.body = requestBody(*body);
    HttpTransport::Response response = co_await transfer(self->session_, std::move(formed.request));

    if (response.status == 401 && !retrying) {
        try {
            co_await self->refresh(formed.accessToken);
            co_return co_await call<A>(self, method, path, std::move(body), true);
        } catch (const Failure& failure) {
            noteRenewalFailure(path, failure);
            throw;
        }
    }
    if (response.status < 200 || response.status > 299) throw refusal(response);
    if constexpr (std::is_same_v<A, EmptyResponse>) {
        co_return EmptyResponse{};
    } else {
        co_return decode<A>(response.body);
    }
}

template <class A>
A BrainClient::decode(const std::string& body) {
    // The answer is outside input: read it with the bounded parser, never the throwing one.
    const auto json = JsonReader::parse(body);
    if (!json) throw Failure::decoding("the answer is not JSON");
    try {
        return A::fromJson(*json);
    } catch (const std::exception& error) {
        throw Failure::decoding(error.what());
    }
}

} // namespace tarvo
