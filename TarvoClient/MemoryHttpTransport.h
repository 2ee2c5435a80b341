#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "TarvoClient/HttpTransport.h"

namespace tarvo {

// The service as a script in memory: each request is answered by its method and target (the
// URL's path and query) and recorded; nothing leaves the process. For judging what the client
// makes of answers; the bytes on the wire are for the loopback tests of the curl transport.
class MemoryHttpTransport : public HttpTransport {
public:
    // May throw `HttpTransport::Failure` to stand for an exchange that got no answer. Called on
    // the worker that performs the request, outside the transport's lock.
    using Responder = std::function<Response(const Request& request)>;

    // The standing answer, given whenever no queued one is waiting.
    void answer(const std::string& method, const std::string& target, Response response);
    void answerBy(const std::string& method, const std::string& target, Responder responder);
    // Given once each, in the order queued, before the standing answer.
    void queue(const std::string& method, const std::string& target, Response response);

    std::vector<Request> requests() const;
    std::vector<Request> requests(const std::string& method, const std::string& target) const;

    // "/v1/x?y" of "https://host:8443/v1/x?y"; "/" when the URL names no path.
    static std::string targetOf(const std::string& url);

    // A 404 with no body when nothing is scripted for the request.
    Task<Response> perform(Request request) override;

private:
    Response respond(const Request& request);

    struct Script {
        std::deque<Response> queued;
        Responder standing;
    };
    using Key = std::pair<std::string, std::string>;

    mutable std::mutex mutex_;
    std::map<Key, Script> scripts_;
    std::vector<Request> requests_;
};

} // namespace tarvo
