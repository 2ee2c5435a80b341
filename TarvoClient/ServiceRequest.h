#pragma once

#include <memory>
#include <string>

#include "TarvoBase/Task.h"
#include "TarvoClient/ClientIdentity.h"
#include "TarvoClient/HttpTransport.h"

namespace tarvo {

// What every request to the service has in common, signed in or not: where a path lands under
// the API URL, the headers that say who is asking, and the transfer off the main loop.
class ServiceRequest {
public:
    // One leading "/" of `path` is dropped and the rest follows the base URL's own path after
    // exactly one "/"; a query or fragment of the base is left out. Bytes a path may not hold
    // are percent-escaped.
    static std::string url(const std::string& baseURL, const std::string& path);

    // Replaces an earlier value of the same name (in any letter case) where it stands, or adds
    // the header at the end.
    static void setHeader(HttpTransport::Headers& headers, const std::string& name, const std::string& value);

    // "authorization" with the bearer token, then "x-tarvo-device".
    static void authorise(HttpTransport::Headers& headers, const std::string& accessToken,
                          const std::string& deviceId);

    // "x-tarvo-platform", "x-tarvo-build" and "x-tarvo-version", in that order.
    static void identify(HttpTransport::Headers& headers, const ClientIdentity& identity);

    // A POST of a JSON body that names the installation but carries no token: pairing and the
    // token renewal.
    static HttpTransport::Request identifiedPost(const std::string& baseURL, const std::string& path,
                                                 const ClientIdentity& identity, std::string body);

    // Runs the transfer off the main loop and resumes on it; a failed exchange throws
    // `HttpTransport::Failure`.
    static Task<HttpTransport::Response> perform(std::shared_ptr<HttpTransport> session,
                                                 HttpTransport::Request request);
};

} // namespace tarvo
