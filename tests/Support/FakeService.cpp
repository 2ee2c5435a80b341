#include "Support/FakeService.h"

#include <httplib.h>

#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>

namespace tarvo::testing {
namespace {

// A broken client must fail its test, not hang the suite.
constexpr std::chrono::seconds gateSafetyLimit{30};
// Clients keep their connections open between requests, and the server library serves each
// connection on one thread for as long as it stays open: a fixed pool would leave the next
// connection waiting.
class ThreadPerConnection : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> serve) override { threads_.emplace_back(std::move(serve)); }
    void shutdown() override {
        for (auto& thread : threads_) thread.join();
    }

private:
    std::vector<std::thread> threads_;
};

} // namespace

void Gate::open() {
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    opened_.notify_all();
}

bool Gate::waitOpen(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return opened_.wait_for(lock, limit, [this] { return open_; });
}

std::string RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return "";
}

bool RecordedRequest::hasHeader(const std::string& name) const {
    for (const auto& header : headers) {
        if (strcasecmp(header.first.c_str(), name.c_str()) == 0) return true;
    }
    return false;
}

FakeService::FakeService(int port) : server_(std::make_unique<httplib::Server>()) {
    server_->new_task_queue = [] { return new ThreadPerConnection; };
    // The server writes an answer's head and body apart; on a reused connection the body would
    // otherwise wait for the client's delayed acknowledgement.
    server_->set_tcp_nodelay(true);
    // Like the service, lets a client send many requests over one connection.
    server_->set_keep_alive_max_count(1000);
    auto handle = [this](const httplib::Request& request, httplib::Response& response) {
        RecordedRequest recorded{request.method, request.target, {}, request.body};
        for (const auto& header : request.headers) recorded.headers.push_back(header);
        ScriptedAnswer answer;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(recorded);
            answer = take(recorded);
        }
        if (answer.delay.count() > 0) std::this_thread::sleep_for(answer.delay);
        if (answer.gate) answer.gate->waitOpen(gateSafetyLimit);
        response.status = answer.status;
        for (const auto& [name, value] : answer.headers) response.set_header(name, value);
        if (!answer.body.empty()) response.body = answer.body;
    };
    server_->Get(".*", handle);
    server_->Post(".*", handle);
    server_->Put(".*", handle);
    server_->Delete(".*", handle);
    server_->Patch(".*", handle);
    // The library listens with a backlog of five: a client opening more connections at once
    // would see the rest dropped and tried again a second later.
    socket_t listening = -1;
    server_->set_socket_options([&listening](socket_t socket) {
        httplib::default_socket_options(socket);
        listening = socket;
    });
    if (port == 0) {
        port = server_->bind_to_any_port("127.0.0.1");
    } else if (!server_->bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0 || ::listen(listening, SOMAXCONN) != 0) throw std::runtime_error("the fake service found no port");
    port_ = port;
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    // Stopping works only once the accept loop runs; connections made before then wait in the
    // listen queue.
    while (!server_->is_running()) std::this_thread::yield();
}

FakeService::~FakeService() {
    {
        std::lock_guard lock(mutex_);
        for (const auto& gate : gates_) gate->open();
    }
    server_->stop();
    listener_.join();
}

std::string FakeService::baseURL() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void FakeService::answer(const std::string& method, const std::string& path, ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    if (answer.gate) gates_.push_back(answer.gate);
    scripts_[{method, path}].standing = std::move(answer);
}

void FakeService::answer(const std::string& method, const std::string& path, int status, std::string body) {
    answer(method, path, ScriptedAnswer{.status = status, .body = std::move(body)});
}

void FakeService::answerJson(const std::string& method, const std::string& path, int status, const Json& body) {
    answer(method, path, ScriptedAnswer{.status = status, .body = body.dump(),
                                        .headers = {{"Content-Type", "application/json"}}});
}

void FakeService::answerBy(const std::string& method, const std::string& path, Responder responder) {
    std::lock_guard lock(mutex_);
    scripts_[{method, path}].responder = std::move(responder);
}

void FakeService::answerRest(Responder responder) {
    std::lock_guard lock(mutex_);
    rest_ = std::move(responder);
}

void FakeService::queue(const std::string& method, const std::string& path, ScriptedAnswer answer) {
    std::lock_guard lock(mutex_);
    if (answer.gate) gates_.push_back(answer.gate);
    scripts_[{method, path}].queued.push_back(std::move(answer));
}

void FakeService::queue(const std::string& method, const std::string& path, int status, std::string body) {
    queue(method, path, ScriptedAnswer{.status = status, .body = std::move(body)});
}

std::vector<RecordedRequest> FakeService::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<RecordedRequest> FakeService::requests(const std::string& method, const std::string& path) const {
    std::vector<RecordedRequest> matching;
    for (auto& request : requests()) {
        if (request.method == method && request.path == path) matching.push_back(std::move(request));
    }
    return matching;
}

ScriptedAnswer FakeService::take(const RecordedRequest& request) {
    auto script = scripts_.find({request.method, request.path});
    if (script == scripts_.end()) {
        if (!rest_) return ScriptedAnswer{.status = 404};
        ScriptedAnswer chosen = rest_(request);
        if (chosen.gate) gates_.push_back(chosen.gate);
        return chosen;
    }
    if (!script->second.queued.empty()) {
        ScriptedAnswer next = std::move(script->second.queued.front());
        script->second.queued.pop_front();
        return next;
    }
    if (script->second.responder) {
        ScriptedAnswer chosen = script->second.responder(request);
        if (chosen.gate) gates_.push_back(chosen.gate);
        return chosen;
    }
    if (script->second.standing) return *script->second.standing;
    return ScriptedAnswer{.status = 404};
}

} // namespace tarvo::testing
