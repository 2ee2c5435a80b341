#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include <sys/socket.h>

#include "Platform/CurlHttpTransport.h"
#include "Support/FakeService.h"
#include "Support/RawHttpCapture.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

using namespace std::chrono_literals;
using tarvo::CurlHttpTransport;
using tarvo::HttpTransport;
using tarvo::RunLoop;
using tarvo::Task;
using tarvo::testing::FakeService;
using tarvo::testing::Gate;
using tarvo::testing::RawHttpCapture;
using tarvo::testing::RecordedRequest;
using tarvo::testing::ScriptedAnswer;

namespace {

constexpr std::size_t answerLimit = std::size_t{64} * 1024 * 1024;

// The response, or the failure's text.
using Outcome = std::variant<HttpTransport::Response, std::string>;

Task<void> keep(Task<HttpTransport::Response> transfer, std::optional<Outcome>* into) {
    try {
        into->emplace(co_await std::move(transfer));
    } catch (const HttpTransport::Failure& failure) {
        into->emplace(failure.what());
    }
}

HttpTransport::Request request(std::string method, std::string url, std::optional<std::string> body = {}) {
    return {std::move(method), std::move(url), {}, std::move(body)};
}

bool hasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.size() >= start.size() && strncasecmp(line.c_str(), start.c_str(), start.size()) == 0;
    });
}

std::string idleFailure(const std::string& seconds) {
    return "Timeout was reached: Operation too slow. Less than 1 bytes/sec transferred the last " + seconds +
           " seconds";
}

// Answers from the fake service's threads once each request has arrived, so that a test can wait
// for requests that are being held.
class Arrivals {
public:
    ScriptedAnswer note(ScriptedAnswer answer) {
        {
            std::lock_guard lock(mutex_);
            ++count_;
        }
        arrived_.notify_all();
        return answer;
    }
    bool waitFor(int count) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, 10s, [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    int count_ = 0;
};

struct CurlHttpTransportTest : ::testing::Test {
    // Made first and so gone last: the server waits for the connections the client keeps open.
    FakeService service;
    RunLoop loop;
    std::shared_ptr<CurlHttpTransport> transport = std::make_shared<CurlHttpTransport>();

    Outcome outcome(HttpTransport::Request sent) {
        std::optional<Outcome> kept;
        tarvo::runUntilDone(loop, keep(transport->perform(std::move(sent)), &kept));
        return *kept;
    }
};

} // namespace

TEST_F(CurlHttpTransportTest, SendsTheBodyAsGivenWithNoHeadersOfItsOwnChoosing) {
    struct Case {
        std::string method;
        std::optional<std::string> body;
        std::string requestLine;
    };
    const Case cases[] = {
        {"POST", std::string(3 * 1024 * 1024, 'x'), "POST /upload HTTP/1.1"},
        {"PUT", std::string("{}"), "PUT /upload HTTP/1.1"},
        {"POST", std::nullopt, "POST /upload HTTP/1.1"},
        {"GET", std::nullopt, "GET /upload HTTP/1.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requestLine);
        RawHttpCapture raw;
        HttpTransport::Request sent{c.method, raw.baseURL() + "/upload", {{"x-a", "1"}}, c.body};
        EXPECT_EQ(outcome(std::move(sent)), Outcome(HttpTransport::Response{200, "{}"}));
        auto captured = raw.captured();
        ASSERT_EQ(captured.size(), 1u);
        EXPECT_EQ(captured[0].lines.front(), c.requestLine);
        EXPECT_EQ(captured[0].body, c.body.value_or(""));
        EXPECT_TRUE(hasLineStarting(captured[0].lines, "x-a: 1"));
        EXPECT_FALSE(hasLineStarting(captured[0].lines, "content-type"));
        EXPECT_FALSE(hasLineStarting(captured[0].lines, "expect"));
    }
}

TEST_F(CurlHttpTransportTest, SendsAnEmptyValueAsAnEmptyHeader) {
    RawHttpCapture raw;
    const HttpTransport::Headers headers{{"x-tarvo-device", ""}, {"x-blank", " \t"}, {"x-a", "1"}};
    HttpTransport::Request sent{"GET", raw.baseURL() + "/x", headers, {}};
    EXPECT_EQ(outcome(std::move(sent)), Outcome(HttpTransport::Response{200, "{}"}));
    auto captured = raw.captured();
    ASSERT_EQ(captured.size(), 1u);
    const std::vector<std::string> expected{"x-tarvo-device:", "x-blank:", "x-a: 1"};
    auto& lines = captured[0].lines;
    auto first = std::find(lines.begin(), lines.end(), expected.front());
    ASSERT_NE(first, lines.end());
    EXPECT_EQ(std::vector<std::string>(first, std::min(first + 3, lines.end())), expected);
}

TEST_F(CurlHttpTransportTest, RefusesAHeaderThatWouldNotArriveAsGivenAndSendsNothing) {
    const std::pair<std::string, std::string> headers[] = {
        {"authorization", "Bearer a\r\nx-evil: 1"},
        {"authorization", "Bearer a\rx-evil: 1"},
        {"authorization", "Bearer a\nx-evil: 1"},
        {"x-tarvo-device", std::string("device\0x-evil", 13)},
        {"x-evil: 1\r\nx-a", "1"},
        {"x-evil\r", "1"},
        {"x-evil\n", "1"},
        {std::string("x-a\0b", 5), "1"},
        {"x-a: 1\r\nx-b", ""},
        {"x-a:b", "1"},
        {"", "1"},
    };
    RawHttpCapture raw;
    for (const auto& header : headers) {
        SCOPED_TRACE(header.first + "=" + header.second);
        HttpTransport::Request sent{"GET", raw.baseURL() + "/x", {{"x-a", "1"}, header}, {}};
        EXPECT_TRUE(std::holds_alternative<std::string>(outcome(std::move(sent))));
    }
    EXPECT_TRUE(raw.captured().empty());
}

TEST_F(CurlHttpTransportTest, AHeldRequestHoldsUpNoOther) {
    constexpr int polls = 5;
    auto held = std::make_shared<Gate>();
    Arrivals arrivals;
    service.answerBy("GET", "/v1/operator/next", [&](const RecordedRequest&) {
        return arrivals.note(ScriptedAnswer{.body = "held", .gate = held});
    });
    service.answer("POST", "/v1/relay/heartbeat", 200, "beat");

    std::vector<std::optional<Outcome>> outcomes(polls);
    auto answered = [](const std::optional<Outcome>& slot) { return slot.has_value(); };
    for (auto& slot : outcomes) {
        tarvo::spawn(keep(transport->perform(request("GET", service.baseURL() + "/v1/operator/next")), &slot));
    }
    loop.runReady();
    ASSERT_TRUE(arrivals.waitFor(polls));

    EXPECT_EQ(outcome(request("POST", service.baseURL() + "/v1/relay/heartbeat", "{}")),
              Outcome(HttpTransport::Response{200, "beat"}));
    EXPECT_TRUE(std::none_of(outcomes.begin(), outcomes.end(), answered));

    held->open();
    while (!std::all_of(outcomes.begin(), outcomes.end(), answered)) ASSERT_TRUE(loop.runOnce());
    for (const auto& slot : outcomes) EXPECT_EQ(*slot, Outcome(HttpTransport::Response{200, "held"}));
}

TEST_F(CurlHttpTransportTest, FailsOnceNothingHasMovedForTheTimeOut) {
    auto held = std::make_shared<Gate>();
    Arrivals arrivals;
    auto holdIt = [&](const RecordedRequest&) { return arrivals.note(ScriptedAnswer{.gate = held}); };
    service.answerBy("GET", "/held", holdIt);
    service.answerBy("POST", "/held", holdIt);
    for (auto sent : {request("GET", service.baseURL() + "/held"),
                      request("POST", service.baseURL() + "/held", std::string(R"({"a":1})"))}) {
        SCOPED_TRACE(sent.method);
        sent.timeout = 200ms;
        EXPECT_EQ(outcome(std::move(sent)), Outcome(idleFailure("0.2")));
    }
    // Both reached the service, so what never came was the answer.
    EXPECT_TRUE(arrivals.waitFor(2));
}

TEST_F(CurlHttpTransportTest, AnAnswerThatKeepsMovingOutlastsTheTimeOut) {
    constexpr std::size_t pieces = 20;
    httplib::Server trickling;
    trickling.Get("/slow", [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Connection", "close");
        response.set_chunked_content_provider("text/plain", [](std::size_t offset, httplib::DataSink& sink) {
            if (offset == pieces) {
                sink.done();
                return true;
            }
            std::this_thread::sleep_for(50ms);
            return sink.write("x", 1);
        });
    });
    const int port = trickling.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { trickling.listen_after_bind(); });
    while (!trickling.is_running()) std::this_thread::yield();

    auto sent = request("GET", "http://127.0.0.1:" + std::to_string(port) + "/slow");
    sent.timeout = 500ms;
    EXPECT_EQ(outcome(std::move(sent)), Outcome(HttpTransport::Response{200, std::string(pieces, 'x')}));
    trickling.stop();
    serving.join();
}

TEST_F(CurlHttpTransportTest, ABodyTheServerTakesInSlowlyButSteadilyOutlastsTheTimeOut) {
    // The first part a piece every 50 ms, for three times the time-out; then the rest at once,
    // since what the sockets hold once the client has handed over its last byte must not linger
    // there for a whole time-out. The rest is more than the sockets can hold.
    constexpr std::size_t piece = 64 * 1024;
    constexpr std::size_t slowly = 24 * piece;
    constexpr std::size_t size = slowly + std::size_t{8} * 1024 * 1024;
    httplib::Server sipping;
    sipping.set_socket_options([](int socket) {
        const int buffer = 16 * 1024;
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    });
    sipping.Post("/slow", [](const httplib::Request&, httplib::Response& response,
                             const httplib::ContentReader& read) {
        std::size_t received = 0;
        read([&](const char*, std::size_t length) {
            if (received < slowly && (received + length) / piece != received / piece) {
                std::this_thread::sleep_for(50ms);
            }
            received += length;
            return true;
        });
        response.set_header("Connection", "close");
        response.set_content(std::to_string(received), "text/plain");
    });
    const int port = sipping.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { sipping.listen_after_bind(); });
    while (!sipping.is_running()) std::this_thread::yield();

    auto sent = request("POST", "http://127.0.0.1:" + std::to_string(port) + "/slow", std::string(size, 'u'));
    sent.timeout = 400ms;
    EXPECT_EQ(outcome(std::move(sent)), Outcome(HttpTransport::Response{200, std::to_string(size)}));
    sipping.stop();
    serving.join();
}

TEST_F(CurlHttpTransportTest, AnAnswerLargerThanTheLimitFailsTheTransfer) {
    service.queue("GET", "/big", 200, std::string(answerLimit, 'a'));
    service.queue("GET", "/big", 200, std::string(answerLimit + 1, 'b'));

    auto read = outcome(request("GET", service.baseURL() + "/big"));
    ASSERT_TRUE(std::holds_alternative<HttpTransport::Response>(read));
    EXPECT_EQ(std::get<HttpTransport::Response>(read).body.size(), answerLimit);
    EXPECT_EQ(outcome(request("GET", service.baseURL() + "/big")), Outcome("the answer is larger than 64 MiB"));
}

TEST_F(CurlHttpTransportTest, ShuttingDownFailsTheTransfersStillRunning) {
    service.answer("GET", "/held", ScriptedAnswer{.gate = std::make_shared<Gate>()});
    std::optional<Outcome> held;
    tarvo::spawn(keep(transport->perform(request("GET", service.baseURL() + "/held")), &held));
    loop.runReady();

    transport.reset();
    while (!held) ASSERT_TRUE(loop.runOnce());
    EXPECT_EQ(*held, Outcome("the HTTP transport was shut down"));
}

TEST_F(CurlHttpTransportTest, ATransferWhoseLoopIsGoneResumesNothing) {
    auto held = std::make_shared<Gate>();
    service.answer("GET", "/held", ScriptedAnswer{.body = "late", .gate = held});
    service.answer("GET", "/now", 200, "now");
    std::optional<Outcome> late;
    {
        RunLoop gone;
        tarvo::spawn(keep(transport->perform(request("GET", service.baseURL() + "/held")), &late));
        gone.runReady();
    }
    held->open();
    EXPECT_EQ(outcome(request("GET", service.baseURL() + "/now")), Outcome(HttpTransport::Response{200, "now"}));
    transport.reset();
    EXPECT_FALSE(late);
}
