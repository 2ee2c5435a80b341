#include "TarvoClient/BrainClient.h"

#include <utility>

#include "TarvoBase/PlainLog.h"
#include "TarvoClient/ServiceRequest.h"

namespace tarvo {

BrainClient::BrainClient(std::string baseURL, ClientIdentity identity, std::optional<Credentials> credentials,
                         std::shared_ptr<HttpTransport> session, TokensCallback onTokens)
    : credentials_(std::move(credentials)), baseURL_(std::move(baseURL)), identity_(std::move(identity)),
      session_(std::move(session)), onTokens_(std::move(onTokens)) {}

Task<HttpTransport::Response> BrainClient::send(std::string method, std::string path, std::optional<std::string> body,
                                                std::optional<std::string> contentType,
                                                HttpTransport::Headers headers, bool retrying) {
    return sendAs(shared_from_this(), std::move(method), std::move(path), std::move(body), std::move(contentType),
                  std::move(headers), retrying);
}

Task<HttpTransport::Response> BrainClient::sendAs(std::shared_ptr<BrainClient> self, std::string method,
                                                  std::string path, std::optional<std::string> body,
                                                  std::optional<std::string> contentType,
                                                  HttpTransport::Headers headers, bool retrying) {
    Formed formed = self->form(method, path, body, contentType, headers);
    HttpTransport::Response response = co_await transfer(self->session_, std::move(formed.request));
    if (response.status == 401 && !retrying) {
        co_await self->refresh(formed.accessToken);
        co_return co_await sendAs(self, std::move(method), std::move(path), std::move(body), std::move(contentType),
                                  std::move(headers), true);
    }
    co_return response;
}

BrainClient::Formed BrainClient::form(const std::string& method, const std::string& path,
                                      std::optional<std::string> body, std::optional<std::string> contentType,
                                      const HttpTransport::Headers& extra) const {
    if (!credentials_) throw Failure::notSignedIn();
    HttpTransport::Request request;
    request.method = method;
    request.url = ServiceRequest::url(baseURL_, path);
    request.timeout = std::chrono::seconds(60);
    if (contentType) ServiceRequest::setHeader(request.headers, "content-type", *contentType);
    ServiceRequest::authorise(request.headers, credentials_->accessToken, credentials_->deviceId);
    ServiceRequest::identify(request.headers, identity_);
    for (const auto& [name, value] : extra) ServiceRequest::setHeader(request.headers, name, value);
    request.body = std::move(body);
    return {std::move(request), credentials_->accessToken};
}

Task<HttpTransport::Response> BrainClient::transfer(std::shared_ptr<HttpTransport> session,
                                                    HttpTransport::Request request) {
    try {
        co_return co_await ServiceRequest::perform(std::move(session), std::move(request));
    } catch (const std::exception& failure) {
        // A transport's own failure, or anything else it threw: callers only ever see `Failure`.
        throw Failure::transport(failure.what());
    }
}

BrainClient::Failure BrainClient::refusal(const HttpTransport::Response& response) {
    auto problem = ProblemBody::read(response.body);
    std::string code = "error";
    std::string message = "The request was refused.";
    if (problem) {
        if (problem->code) {
            code = *problem->code;
        } else if (problem->error) {
            code = *problem->error;
        }
        if (problem->message) message = *problem->message;
    }
    return Failure::http(response.status, std::move(code), std::move(message));
}

void BrainClient::noteRenewalFailure(const std::string& path, const Failure& failure) {
    PlainLog::write("tarvo: renewing this Mac's session failed on " + path + " — " + failure.description() +
                    " (session gone: " + (failure.isSessionGone() ? "true" : "false") + ")");
}

} // namespace tarvo
