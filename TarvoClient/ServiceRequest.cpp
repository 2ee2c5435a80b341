#include "TarvoClient/ServiceRequest.h"

#include <cctype>
#include <utility>

#include "TarvoBase/PercentEscape.h"

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

bool isEscape(const std::string& path, std::size_t at) {
    return path[at] == '%' && at + 2 < path.size() && std::isxdigit(static_cast<unsigned char>(path[at + 1])) &&
           std::isxdigit(static_cast<unsigned char>(path[at + 2]));
}

// Path text goes into the URL as written; only bytes a path may not hold are escaped. An escape
// already written (an id made into one segment by `pathSegment`) is kept as it is.
std::string escapedPath(const std::string& path) {
    static const std::string allowed = "-._~!$&'()*+,;=:@/";
    std::string escaped;
    for (std::size_t at = 0; at < path.size(); ++at) {
        const auto byte = static_cast<unsigned char>(path[at]);
        if (std::isalnum(byte) || allowed.find(static_cast<char>(byte)) != std::string::npos || isEscape(path, at)) {
            escaped.push_back(static_cast<char>(byte));
        } else {
            appendPercentEscape(escaped, byte);
        }
    }
    return escaped;
}

} // namespace

std::string ServiceRequest::url(const std::string& baseURL, const std::string& path) {
    std::string relative = !path.empty() && path.front() == '/' ? path.substr(1) : path;
    // The path goes after the base's own path, never into its query or fragment.
    std::string joined = baseURL.substr(0, baseURL.find_first_of("?#"));
    if (joined.empty() || joined.back() != '/') joined.push_back('/');
    return joined + escapedPath(relative);
}

void ServiceRequest::setHeader(HttpTransport::Headers& headers, const std::string& name, const std::string& value) {
    for (auto& header : headers) {
        if (sameHeaderName(header.first, name)) {
            header.second = value;
            return;
        }
    }
    headers.emplace_back(name, value);
}

void ServiceRequest::authorise(HttpTransport::Headers& headers, const std::string& accessToken,
                               const std::string& deviceId) {
    setHeader(headers, "authorization", "Bearer " + accessToken);
    setHeader(headers, "x-tarvo-device", deviceId);
}

void ServiceRequest::identify(HttpTransport::Headers& headers, const ClientIdentity& identity) {
    setHeader(headers, "x-tarvo-platform", identity.platform);
    setHeader(headers, "x-tarvo-build", std::to_string(identity.build));
    setHeader(headers, "x-tarvo-version", identity.version);
}

HttpTransport::Request ServiceRequest::identifiedPost(const std::string& baseURL, const std::string& path,
                                                      const ClientIdentity& identity, std::string body) {
    HttpTransport::Request request;
    request.method = "POST";
    request.url = url(baseURL, path);
    request.timeout = std::chrono::seconds(60);
    setHeader(request.headers, "content-type", "application/json");
    identify(request.headers, identity);
    request.body = std::move(body);
    return request;
}

Task<HttpTransport::Response> ServiceRequest::perform(std::shared_ptr<HttpTransport> session,
                                                      HttpTransport::Request request) {
    // This frame keeps the session alive until the transfer has ended.
    co_return co_await session->perform(std::move(request));
}

} // namespace tarvo
