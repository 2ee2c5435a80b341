#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "Support/CapturedPlainLog.h"
#include "Support/FakeService.h"
#include "Support/RawHttpCapture.h"
#include "Support/RefusingPort.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"

using tarvo::BrainClient;
using tarvo::HttpTransport;
using tarvo::Json;
using tarvo::MemoryHttpTransport;
using tarvo::Task;
using tarvo::testing::CapturedPlainLog;
using tarvo::testing::ClientTest;
using tarvo::testing::FakeService;
using tarvo::testing::Gate;
using tarvo::testing::jsonAnswer;
using tarvo::testing::RawHttpCapture;
using tarvo::testing::RefusingPort;
using tarvo::testing::ScriptedAnswer;
using Failure = BrainClient::Failure;

namespace {

struct Greeting {
    std::string text;

    static Greeting fromJson(const Json& json) { return {json.at("text").get<std::string>()}; }
};

// How the service answers this Mac's refresh request.
enum class Renewing { unasked, succeeds, invalidToken, unavailable };

void scriptRenewal(MemoryHttpTransport& service, Renewing renewal) {
    const std::string path = "/v1/auth/refresh";
    switch (renewal) {
    case Renewing::unasked:
        break;
    case Renewing::succeeds:
        service.answer("POST", path, jsonAnswer(200, Json{{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}}));
        break;
    case Renewing::invalidToken:
        service.answer("POST", path, {401, R"({"code":"invalid_token","message":"Token expired"})"});
        break;
    case Renewing::unavailable:
        service.answer("POST", path, {503, ""});
        break;
    }
}

std::string describe(const std::variant<Greeting, std::string>& outcome) {
    if (auto* greeting = std::get_if<Greeting>(&outcome)) return "greeting " + greeting->text;
    return std::get<std::string>(outcome);
}

std::string describe(const std::variant<BrainClient::EmptyResponse, std::string>& outcome) {
    if (std::holds_alternative<BrainClient::EmptyResponse>(outcome)) return "empty";
    return std::get<std::string>(outcome);
}

std::string renewalLine(const std::string& failure) {
    return "tarvo: renewing this Mac's session failed on /v1/thing — " + failure;
}

} // namespace

TEST_F(ClientTest, JudgesEveryKindOfAnswer) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> answers;
        Renewing renewal;
        bool empty;
        std::string outcome;
        std::size_t requests;
        std::vector<std::string> log;
    };
    const std::string refused = "The request was refused.";
    const Case cases[] = {
        {"200 decoded", {{200, R"({"text":"hi","extra":1})"}}, Renewing::unasked, false, "greeting hi", 1, {}},
        {"200 missing member", {{200, "{}"}}, Renewing::unasked, false,
         "Tarvo sent something unexpected: [json.exception.out_of_range.403] key 'text' not found", 1, {}},
        {"200 wrong type", {{200, R"({"text":5})"}}, Renewing::unasked, false,
         "Tarvo sent something unexpected: [json.exception.type_error.302] type must be string, but is number", 1,
         {}},
        {"204 empty answer", {{204, ""}}, Renewing::unasked, true, "empty", 1, {}},
        {"200 non-JSON empty answer", {{200, "<html>"}}, Renewing::unasked, true, "empty", 1, {}},
        {"204 decoded", {{204, ""}}, Renewing::unasked, false,
         "Tarvo sent something unexpected: the answer is not JSON", 1, {}},
        {"401 then 200", {{401, ""}, {200, R"({"text":"again"})"}}, Renewing::succeeds, false, "greeting again", 2,
         {}},
        {"401 twice", {{401, ""}, {401, R"({"code":"expired","message":"Token expired"})"}}, Renewing::succeeds, false,
         "401 expired: Token expired", 2, {renewalLine("401 expired: Token expired (session gone: false)")}},
        {"401 then 500", {{401, ""}, {500, ""}}, Renewing::succeeds, false, "500 error: " + refused, 2,
         {renewalLine("500 error: The request was refused. (session gone: false)")}},
        {"401, renewal refused", {{401, ""}}, Renewing::invalidToken, false, "401 invalid_token: Token expired", 1,
         {renewalLine("401 invalid_token: Token expired (session gone: true)")}},
        {"401, renewal unavailable", {{401, ""}}, Renewing::unavailable, true,
         "503 unavailable: Tarvo could not renew this Mac's sign-in.", 1,
         {renewalLine("503 unavailable: Tarvo could not renew this Mac's sign-in. (session gone: false)")}},
        {"403 problem body", {{403, R"({"code":"forbidden","message":"Not allowed"})"}}, Renewing::unasked, false,
         "403 forbidden: Not allowed", 1, {}},
        {"403 no body", {{403, ""}}, Renewing::unasked, true, "403 error: " + refused, 1, {}},
        {"500 error only", {{500, R"({"error":"boom"})"}}, Renewing::unasked, false, "500 boom: " + refused, 1, {}},
        {"500 all three", {{500, R"({"error":"e","code":"c","message":"m"})"}}, Renewing::unasked, false, "500 c: m", 1,
         {}},
        {"500 null code", {{500, R"({"code":null,"error":"e","message":"m"})"}}, Renewing::unasked, false, "500 e: m",
         1, {}},
        {"500 numeric code", {{500, R"({"code":42,"message":"m"})"}}, Renewing::unasked, false, "500 error: " + refused,
         1, {}},
        {"500 not JSON", {{500, "boom"}}, Renewing::unasked, false, "500 error: " + refused, 1, {}},
        {"500 JSON array", {{500, R"(["code"])"}}, Renewing::unasked, false, "500 error: " + refused, 1, {}},
        {"500 nested past any record",
         {{500, R"({"code":"c","message":"m","x":)" + std::string(300, '[') + std::string(300, ']') + "}"}},
         Renewing::unasked, false, "500 error: " + refused, 1, {}},
        {"429", {{429, R"({"code":"slow_down"})"}}, Renewing::unasked, false, "429 slow_down: " + refused, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        CapturedPlainLog lines;
        for (const auto& [status, body] : c.answers) fresh->queue("GET", "/v1/thing", {status, body});
        scriptRenewal(*fresh, c.renewal);
        auto brain = clientOf(fresh, memoryURL);
        std::string described = c.empty ? describe(outcome(brain->get<BrainClient::EmptyResponse>("/v1/thing")))
                                      : describe(outcome(brain->get<Greeting>("/v1/thing")));
        EXPECT_EQ(described, c.outcome);
        EXPECT_EQ(fresh->requests("GET", "/v1/thing").size(), c.requests);
        EXPECT_EQ(fresh->requests("POST", "/v1/auth/refresh").size(), c.renewal == Renewing::unasked ? 0u : 1u);
        EXPECT_EQ(lines.lines(), c.log);
    }
}

TEST_F(ClientTest, RedirectIsARefusalNotFollowed) {
    FakeService wire;
    wire.answer("GET", "/v1/thing", ScriptedAnswer{.status = 302, .headers = {{"Location", "/v1/elsewhere"}}});
    wire.answerJson("GET", "/v1/elsewhere", 200, Json{{"text", "moved"}});
    EXPECT_EQ(describe(outcome(clientAt(wire.baseURL())->get<Greeting>("/v1/thing"))),
              "302 error: The request was refused.");
    EXPECT_EQ(wire.requests().size(), 1u);
}

TEST_F(ClientTest, RenewsOnceAndRetriesWithTheRenewedToken) {
    service.queue("POST", "/v1/thing", {401, R"({"code":"expired"})"});
    service.queue("POST", "/v1/thing", {200, R"({"text":"ok"})"});
    scriptRenewal(service, Renewing::succeeds);
    auto brain = client();

    EXPECT_EQ(describe(outcome(brain->post<Greeting>("/v1/thing", Json{{"n", 1}}))), "greeting ok");

    EXPECT_EQ(service.requests("POST", "/v1/auth/refresh").size(), 1u);
    EXPECT_EQ(brain->currentAccessToken(), "access-2");
    auto requests = service.requests("POST", "/v1/thing");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(headerOf(requests[0], "authorization"), "Bearer access-1");
    EXPECT_EQ(headerOf(requests[1], "authorization"), "Bearer access-2");
    EXPECT_EQ(requests[1].body, R"({"n":1})");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(ClientTest, SendHandsBackEveryStatusUnjudged) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, std::string>> answers;
        Renewing renewal;
        std::variant<HttpTransport::Response, std::string> outcome;
        std::size_t requests;
    };
    const Case cases[] = {
        {"200", {{200, "raw \x01 bytes"}}, Renewing::unasked, HttpTransport::Response{200, "raw \x01 bytes"}, 1},
        {"404", {{404, "nope"}}, Renewing::unasked, HttpTransport::Response{404, "nope"}, 1},
        {"401 then 200", {{401, "a"}, {200, "b"}}, Renewing::succeeds, HttpTransport::Response{200, "b"}, 2},
        {"401 twice", {{401, "a"}, {401, "b"}}, Renewing::succeeds, HttpTransport::Response{401, "b"}, 2},
        {"401, renewal refused", {{401, "a"}}, Renewing::invalidToken, std::string("401 invalid_token: Token expired"),
         1},
        {"401, renewal unavailable", {{401, "a"}}, Renewing::unavailable,
         std::string("503 unavailable: Tarvo could not renew this Mac's sign-in."), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        CapturedPlainLog lines;
        for (const auto& [status, body] : c.answers) fresh->queue("PUT", "/v1/mode", {status, body});
        scriptRenewal(*fresh, c.renewal);
        auto brain = clientOf(fresh, memoryURL);
        EXPECT_EQ(outcome(brain->send("PUT", "/v1/mode", "{}", "application/json", {})), c.outcome);
        EXPECT_EQ(fresh->requests("PUT", "/v1/mode").size(), c.requests);
        EXPECT_TRUE(lines.lines().empty());
    }
}

TEST_F(ClientTest, StampsTheSixHeadersInOrderAndLetsSendsOwnHeadersWin) {
    RawHttpCapture raw;
    auto brain = clientAt(raw.baseURL());
    const std::string host = "Host: " + raw.baseURL().substr(7);

    tarvo::runUntilDone(loop, brain->post<BrainClient::EmptyResponse>("/v1/relay/heartbeat",
                                                                      Json{{"b", 1}, {"a", "x"}}));
    tarvo::runUntilDone(loop, brain->get<BrainClient::EmptyResponse>("/v1/relay/jobs"));
    tarvo::runUntilDone(loop, brain->send("POST", "/v1/events", "xyz", std::nullopt,
                                          {{"X-Tarvo-Version", "9.9"}, {"x-extra", "1"}}));

    auto captured = raw.captured();
    ASSERT_EQ(captured.size(), 3u);
    EXPECT_EQ(captured[0].lines, (std::vector<std::string>{
                                     "POST /v1/relay/heartbeat HTTP/1.1",
                                     host,
                                     "Accept: */*",
                                     "content-type: application/json",
                                     "authorization: Bearer access-1",
                                     "x-tarvo-device: device-9",
                                     "x-tarvo-platform: macos",
                                     "x-tarvo-build: 1234",
                                     "x-tarvo-version: 1.2.3",
                                     "Content-Length: 15",
                                 }));
    EXPECT_EQ(captured[0].body, R"({"b":1,"a":"x"})");
    EXPECT_EQ(captured[1].lines, (std::vector<std::string>{
                                     "GET /v1/relay/jobs HTTP/1.1",
                                     host,
                                     "Accept: */*",
                                     "content-type: application/json",
                                     "authorization: Bearer access-1",
                                     "x-tarvo-device: device-9",
                                     "x-tarvo-platform: macos",
                                     "x-tarvo-build: 1234",
                                     "x-tarvo-version: 1.2.3",
                                 }));
    EXPECT_EQ(captured[1].body, "");
    EXPECT_EQ(captured[2].lines, (std::vector<std::string>{
                                     "POST /v1/events HTTP/1.1",
                                     host,
                                     "Accept: */*",
                                     "authorization: Bearer access-1",
                                     "x-tarvo-device: device-9",
                                     "x-tarvo-platform: macos",
                                     "x-tarvo-build: 1234",
                                     "x-tarvo-version: 9.9",
                                     "x-extra: 1",
                                     "Content-Length: 3",
                                 }));
    EXPECT_EQ(captured[2].body, "xyz");
}

TEST_F(ClientTest, JoinsThePathToTheBaseURLWithOneSlash) {
    struct Case {
        std::string basePath;
        std::string path;
        std::string target;
    };
    const Case cases[] = {
        {"", "/v1/relay/heartbeat", "/v1/relay/heartbeat"},
        {"", "v1/relay/heartbeat", "/v1/relay/heartbeat"},
        {"/", "/v1/relay/heartbeat", "/v1/relay/heartbeat"},
        {"/api", "/v1/relay/heartbeat", "/api/v1/relay/heartbeat"},
        {"/api", "v1/relay/heartbeat", "/api/v1/relay/heartbeat"},
        {"/api/", "/v1/relay/heartbeat", "/api/v1/relay/heartbeat"},
        {"/api", "//v1/x", "/api//v1/x"},
        {"", "/v1/files/a b%?c#d", "/v1/files/a%20b%25%3Fc%23d"},
        {"", "/v1/files/a%2Fb%2g%", "/v1/files/a%2Fb%252g%25"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.basePath + " + " + c.path);
        FakeService fresh;
        auto brain = clientAt(fresh.baseURL() + c.basePath);
        tarvo::runUntilDone(loop, brain->send("GET", c.path, std::nullopt, std::nullopt, {}));
        auto requests = fresh.requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].path, c.target);
    }
}

TEST_F(ClientTest, AHeldRequestDoesNotHoldUpAnother) {
    auto gate = std::make_shared<Gate>();
    FakeService wire;
    wire.answer("GET", "/v1/operator/next", ScriptedAnswer{.body = R"({"text":"step"})", .gate = gate});
    wire.answerJson("POST", "/v1/relay/heartbeat", 200, Json{{"text", "beat"}});
    auto brain = clientAt(wire.baseURL());

    std::optional<std::string> held;
    auto poll = [](std::shared_ptr<BrainClient> brain, std::optional<std::string>* held) -> Task<void> {
        *held = (co_await brain->get<Greeting>("/v1/operator/next")).text;
    };
    tarvo::spawn(poll(brain, &held));

    EXPECT_EQ(tarvo::runUntilDone(loop, brain->post<Greeting>("/v1/relay/heartbeat", Json::object())).text, "beat");
    EXPECT_FALSE(held.has_value());

    gate->open();
    while (!held) loop.runOnce();
    EXPECT_EQ(*held, "step");
}

TEST_F(ClientTest, ATransportFailureCarriesCurlsOwnText) {
    RefusingPort closed;
    auto failure = outcome(clientAt(closed.baseURL())->get<Greeting>("/v1/thing"));
    EXPECT_EQ(describe(failure).rfind("Could not reach Tarvo: Couldn't connect to server: Failed to connect to "
                                      "127.0.0.1 port " + std::to_string(closed.port()),
                                      0),
              0u)
        << describe(failure);
}

TEST_F(ClientTest, WithoutCredentialsNothingIsSent) {
    auto brain = client(std::nullopt);
    const std::string notSignedIn = "This Mac is not signed in to Tarvo.";
    EXPECT_EQ(describe(outcome(brain->get<Greeting>("/v1/thing"))), notSignedIn);
    EXPECT_EQ(describe(outcome(brain->post<BrainClient::EmptyResponse>("/v1/thing", Json::object()))), notSignedIn);
    auto sent = outcome(brain->send("POST", "/v1/thing", "x", "text/plain", {}));
    EXPECT_EQ(std::get<std::string>(sent), notSignedIn);
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(ClientTest, ABodyThatCannotBeWrittenFailsAsDecodingNamingItsMemberAndSendsNothing) {
    const std::string illFormed = "caf\xC3";
    struct Case {
        Json body;
        std::string member;
    };
    const Case cases[] = {
        {Json{{"text", illFormed}}, "\"text\""},
        {Json{{"thread", {{"ok", "fine"}, {"titles", {"one", illFormed}}}}}, "\"thread.titles[1]\""},
        {Json{{"ok", 1}, {illFormed, 2}}, "\"caf\uFFFD\""},
        {Json(illFormed), "it"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.member);
        EXPECT_EQ(failureOf(client()->post<BrainClient::EmptyResponse>("/v1/thing", c.body)),
                  "Tarvo sent something unexpected: the request body cannot be written: " + c.member +
                      " is not UTF-8");
        EXPECT_EQ(failureOf(client(std::nullopt)->post<BrainClient::EmptyResponse>("/v1/thing", c.body)),
                  "This Mac is not signed in to Tarvo.");
    }
    EXPECT_EQ(failureOf(client()->setPermissionMode("device-9", illFormed)),
              "Tarvo sent something unexpected: the request body cannot be written: \"mode\" is not UTF-8");
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(ClientTest, WhateverATransportThrowsReachesCallersAsATransportFailure) {
    service.answerBy("GET", "/v1/thing", [](const HttpTransport::Request&) -> HttpTransport::Response {
        throw std::length_error("the answer is too long");
    });
    EXPECT_EQ(failureOf(client()->get<BrainClient::EmptyResponse>("/v1/thing")),
              "Could not reach Tarvo: the answer is too long");
}
