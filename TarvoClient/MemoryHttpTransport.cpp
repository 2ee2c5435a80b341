#include "TarvoClient/MemoryHttpTransport.h"

#include "TarvoBase/OnWorker.h"

namespace tarvo {

void MemoryHttpTransport::answer(const std::string& method, const std::string& target, Response response) {
    answerBy(method, target, [response](const Request&) { return response; });
}

void MemoryHttpTransport::answerBy(const std::string& method, const std::string& target, Responder responder) {
    std::lock_guard lock(mutex_);
    scripts_[{method, target}].standing = std::move(responder);
}

void MemoryHttpTransport::queue(const std::string& method, const std::string& target, Response response) {
    std::lock_guard lock(mutex_);
    scripts_[{method, target}].queued.push_back(std::move(response));
}

std::vector<HttpTransport::Request> MemoryHttpTransport::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<HttpTransport::Request> MemoryHttpTransport::requests(const std::string& method,
                                                                  const std::string& target) const {
    std::vector<Request> matching;
    for (auto& request : requests()) {
        if (request.method == method && targetOf(request.url) == target) matching.push_back(std::move(request));
    }
    return matching;
}

std::string MemoryHttpTransport::targetOf(const std::string& url) {
    const auto scheme = url.find("://");
    const auto authority = scheme == std::string::npos ? 0 : scheme + 3;
    const auto path = url.find('/', authority);
    return path == std::string::npos ? "/" : url.substr(path);
}

// Answers run on a worker, as a real transfer would wait off the loop: a responder may hold its
// answer back until the test lets it go.
Task<HttpTransport::Response> MemoryHttpTransport::perform(Request request) {
    auto exchange = [this, request = std::move(request)] { return respond(request); };
    co_return co_await onWorker(exchange);
}

HttpTransport::Response MemoryHttpTransport::respond(const Request& request) {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        auto script = scripts_.find({request.method, targetOf(request.url)});
        if (script == scripts_.end()) return {404, ""};
        if (!script->second.queued.empty()) {
            Response next = std::move(script->second.queued.front());
            script->second.queued.pop_front();
            return next;
        }
        responder = script->second.standing;
    }
    if (!responder) return {404, ""};
    return responder(request);
}

} // namespace tarvo
