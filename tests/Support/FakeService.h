#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "TarvoBase/Json.h"

namespace httplib {
class Server;
}

namespace tarvo::testing {

// Holds a scripted answer back until the test opens it (or the service shuts down), so a test
// can keep a request in flight without waiting on a clock.
class Gate {
public:
    void open();
    // False when the gate stayed shut for the whole safety limit.
    bool waitOpen(std::chrono::seconds limit);

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

struct ScriptedAnswer {
    int status = 200;
    std::string body{};
    std::vector<std::pair<std::string, std::string>> headers{};
    std::chrono::milliseconds delay{0};
    std::shared_ptr<Gate> gate{};
};

struct RecordedRequest {
    std::string method;
    // The request target exactly as it came on the wire.
    std::string path;
    // Sorted by name: the server library keeps no arrival order (see RawHttpCapture for that).
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The value of the first header of that name (any letter case), or "" when absent.
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

// The service on 127.0.0.1, inside the test process. It answers each method and path from a
// script (queued answers first, in order, then the standing one), a request no script names from
// the answer for the rest (404 when there is none), and records every request.
class FakeService {
public:
    // At `port`, or at a free one when it is 0.
    explicit FakeService(int port = 0);
    ~FakeService();

    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    // "http://127.0.0.1:<port>"
    std::string baseURL() const;
    int port() const { return port_; }

    // The standing answer, given every time once the queue is empty.
    void answer(const std::string& method, const std::string& path, ScriptedAnswer answer);
    void answer(const std::string& method, const std::string& path, int status, std::string body = "");
    void answerJson(const std::string& method, const std::string& path, int status, const Json& body);

    // The standing answer chosen by looking at the request, such as its token. Called on the
    // service's threads, one request at a time.
    using Responder = std::function<ScriptedAnswer(const RecordedRequest&)>;
    void answerBy(const std::string& method, const std::string& path, Responder responder);
    // The answer to every request that no script names.
    void answerRest(Responder responder);

    // Answered once each, in the order queued, before the standing answer.
    void queue(const std::string& method, const std::string& path, ScriptedAnswer answer);
    void queue(const std::string& method, const std::string& path, int status, std::string body = "");

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requests(const std::string& method, const std::string& path) const;

private:
    struct Script {
        std::deque<ScriptedAnswer> queued;
        std::optional<ScriptedAnswer> standing;
        Responder responder;
    };
    using Key = std::pair<std::string, std::string>;

    ScriptedAnswer take(const RecordedRequest& request);

    mutable std::mutex mutex_;
    std::map<Key, Script> scripts_;
    Responder rest_;
    std::vector<std::shared_ptr<Gate>> gates_;
    std::vector<RecordedRequest> requests_;

    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread listener_;
};

} // namespace tarvo::testing
