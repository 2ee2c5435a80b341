#include "TarvoClient/BrainClient.h"

#include <chrono>
#include <exception>
#include <utility>

#include "TarvoBase/JsonReader.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoClient/AccessTokenExpiry.h"
#include "TarvoClient/ServiceRequest.h"

namespace tarvo {
namespace {

// A token this close to its expiry could lapse on the way to the service.
constexpr std::chrono::duration<double> expiryMargin{60.0};

std::optional<std::string> textMember(const Json& object, const char* key) {
    auto member = object.find(key);
    if (member == object.end() || !member->is_string()) return std::nullopt;
    return member->get<std::string>();
}

// A bare refusal counts as a dead sign-in, while throttling and outages do not.
BrainClient::Failure refreshRefusal(const HttpTransport::Response& response) {
    const bool refused = response.status >= 400 && response.status <= 499 && response.status != 429;
    std::string code = refused ? "invalid_token" : "unavailable";
    std::string message = "Tarvo could not renew this Mac's sign-in.";
    if (auto problem = ProblemBody::read(response.body)) {
        if (problem->code) {
            code = *problem->code;
        } else if (problem->error) {
            code = *problem->error;
        }
        if (problem->message) message = *problem->message;
    }
    return BrainClient::Failure::http(response.status, std::move(code), std::move(message));
}

} // namespace

std::optional<std::string> BrainClient::currentAccessToken() const {
    if (!credentials_) return std::nullopt;
    return credentials_->accessToken;
}

Task<std::string> BrainClient::usableAccessToken() {
    return usableAccessTokenAs(shared_from_this());
}

Task<std::string> BrainClient::renew() {
    return renewAs(shared_from_this());
}

Task<BrainClient::Credentials> BrainClient::refresh(std::optional<std::string> after) {
    return refreshAs(shared_from_this(), std::move(after));
}

Task<std::string> BrainClient::usableAccessTokenAs(std::shared_ptr<BrainClient> self) {
    if (!self->credentials_) co_return (co_await refreshAs(self, std::nullopt)).accessToken;
    std::string stored = self->credentials_->accessToken;
    if (accessTokenIsUsable(stored, expiryMargin, RunLoop::current().clock().date())) co_return stored;
    co_return (co_await refreshAs(self, std::move(stored))).accessToken;
}

Task<std::string> BrainClient::renewAs(std::shared_ptr<BrainClient> self) {
    co_return (co_await refreshAs(self, self->currentAccessToken())).accessToken;
}

Task<BrainClient::Credentials> BrainClient::refreshAs(std::shared_ptr<BrainClient> self,
                                                      std::optional<std::string> after) {
    if (self->credentials_ && after && self->credentials_->accessToken != *after) co_return *self->credentials_;
    std::shared_ptr<Renewal> renewal = self->refreshInFlight_;
    if (!renewal) {
        if (!self->credentials_) throw Failure::notSignedIn();
        renewal = std::make_shared<Renewal>();
        self->refreshInFlight_ = renewal;
        spawn(runRenewal(self, renewal, *self->credentials_));
    }
    co_return co_await *renewal;
}

// The outcome is stored in the client before any caller resumes, so every caller's retry reads
// the renewed pair.
Task<void> BrainClient::runRenewal(std::shared_ptr<BrainClient> self, std::shared_ptr<Renewal> renewal,
                                   Credentials renewing) {
    try {
        Credentials renewed = co_await exchange(renewing.refreshToken, renewing.deviceId, self->session_,
                                                self->baseURL_, self->identity_, self->onTokens_);
        self->credentials_ = renewed;
        renewal->succeed(std::move(renewed));
    } catch (...) {
        renewal->fail(std::current_exception());
    }
    self->refreshInFlight_.reset();
}

Task<BrainClient::Credentials> BrainClient::exchange(std::string refreshToken, std::string deviceId,
                                                     std::shared_ptr<HttpTransport> session, std::string baseURL,
                                                     ClientIdentity identity, TokensCallback onTokens) {
    Json body = Json::object();
    body["refreshToken"] = std::move(refreshToken);
    HttpTransport::Request request =
        ServiceRequest::identifiedPost(baseURL, "v1/auth/refresh", identity, requestBody(body));
    HttpTransport::Response response = co_await transfer(std::move(session), std::move(request));
    if (response.status < 200 || response.status > 299) throw refreshRefusal(response);

    auto answer = JsonReader::parse(response.body);
    if (!answer || !answer->is_object()) answer = Json::object();
    auto accessToken = textMember(*answer, "accessToken");
    auto renewedRefreshToken = textMember(*answer, "refreshToken");
    if (!accessToken || !renewedRefreshToken) {
        throw Failure::decoding("the refresh response carried no token pair");
    }
    if (onTokens) onTokens(*accessToken, *renewedRefreshToken);
    co_return Credentials{std::move(*accessToken), std::move(*renewedRefreshToken), std::move(deviceId)};
}

} // namespace tarvo
