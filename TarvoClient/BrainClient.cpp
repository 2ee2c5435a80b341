#include "TarvoClient/BrainClient.h"

#include <cctype>
#include <utility>

#include "TarvoBase/OnWorker.h"
#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

bool sameHeaderName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Replaces an earlier value of the same name where it stands, or adds the header at the end.
void setHeader(HttpTransport::Headers& headers, const std::string& name, const std::string& value) {
    for (auto& header : headers) {
        if (sameHeaderName(header.first, name)) {
            header.second = value;
            return;
        }
    }
    headers.emplace_back(name, value);
}

bool isEscape(const std::string& path, std::size_t at) {
    return path[at] == '%' && at + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[at + 1])) &&
           std::isxdigit(static_cast<unsigned char>(path[at + 2]));
}

// Path text goes into the URL as written; only bytes a path may not hold are escaped. An escape
// already written (an id made into one segment by `pathSegment`) is kept as it is.
std::string escapedPath(const std::string& path) {
    static const std::string allowed = "-._~!$&'()*+,;=:@/";
    static const char digits[] = "0123456789ABCDEF";
    std::string escaped;
    for (std::size_t at = 0; at < path.size(); ++at) {
        const auto byte = static_cast<unsigned char>(path[at]);
        if (std::isalnum(byte) || allowed.find(static_cast<char>(byte)) != std::string::npos || isEscape(path, at)) {
            escaped.push_back(static_cast<char>(byte));
        } else {
            escaped.push_back('%');
            escaped.push_back(digits[byte >> 4]);
            escaped.push_back(digits[byte & 0x0F]);
        }
    }
    return escaped;
}

std::string joinedURL(const std::string& baseURL, const std::string& path) {
    std::string relative = !path.empty() && path.front() == '/' ? path.substr(1) : path;
    std::string url = baseURL;
    if (url.empty() || url.back() != '/') url.push_back('/');
    return url + escapedPath(relative);
}

} // namespace

BrainClient::BrainClient(std::string baseURL, ClientIdentity identity, std::optional<Credentials> credentials,
                         std::shared_ptr<HttpTransport> session, TokensCallback onTokens)
    : credentials_(std::move(credentials)), baseURL_(std::move(baseURL)), identity_(std::move(identity)),
      session_(std::move(session)), onTokens_(std::move(onTokens)) {}

Task<BrainClient::Credentials> BrainClient::refresh(std::optional<std::string>) {
    throw Failure::notSignedIn();
    co_return Credentials{}; // makes this a coroutine, so the failure reaches the awaiter
}

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
    request.url = joinedURL(baseURL_, path);
    request.timeout = std::chrono::seconds(60);
    if (contentType) setHeader(request.headers, "content-type", *contentType);
    setHeader(request.headers, "authorization", "Bearer " + credentials_->accessToken);
    setHeader(request.headers, "x-tarvo-device", credentials_->deviceId);
    setHeader(request.headers, "x-tarvo-platform", identity_.platform);
    setHeader(request.headers, "x-tarvo-build", std::to_string(identity_.build));
    setHeader(request.headers, "x-tarvo-version", identity_.version);
    for (const auto& [name, value] : extra) setHeader(request.headers, name, value);
    request.body = std::move(body);
    return {std::move(request), credentials_->accessToken};
}

Task<HttpTransport::Response> BrainClient::transfer(std::shared_ptr<HttpTransport> session,
                                                    HttpTransport::Request request) {
    // The worker borrows the request from this frame, which outlives the transfer, rather than
    // copying a body that may be large. (Capturing non-trivial values in a lambda written inside
    // a co_await expression also miscompiles with GCC 12.)
    HttpTransport* transport = session.get();
    const HttpTransport::Request* exchanged = &request;
    try {
        co_return co_await onWorker([transport, exchanged] { return transport->perform(*exchanged); });
    } catch (const HttpTransport::Failure& failure) {
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
