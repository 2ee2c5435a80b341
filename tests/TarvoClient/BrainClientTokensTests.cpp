#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Support/AccessTokens.h"
#include "Support/FakeService.h"
#include "Support/RawHttpCapture.h"
#include "Support/RefusingPort.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"

using tarvo::BrainClient;
using tarvo::Json;
using tarvo::MemoryHttpTransport;
using tarvo::Task;
using tarvo::testing::accessTokenExpiringAt;
using tarvo::testing::ClientTest;
using tarvo::testing::FakeService;
using tarvo::testing::Gate;
using tarvo::testing::jsonAnswer;
using tarvo::testing::RawHttpCapture;
using tarvo::testing::RecordedRequest;
using tarvo::testing::RefusingPort;
using tarvo::testing::ScriptedAnswer;
using tarvo::testing::testIdentity;
using tarvo::testing::TokensHeard;
using Failure = BrainClient::Failure;
using Credentials = BrainClient::Credentials;

namespace {

using TokensTest = ClientTest;

const std::string refreshPath = "/v1/auth/refresh";
const Json renewedPair{{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}};

struct Greeting {
    std::string text;

    static Greeting fromJson(const Json& json) { return {json.at("text").get<std::string>()}; }
};

std::string bearer(const RecordedRequest& request) {
    return request.header("authorization");
}

// Stores what the task ended with, so that many can run at once on the loop.
template <class A>
Task<void> keep(Task<A> task, std::optional<std::variant<A, std::string>>* into, int* finished) {
    try {
        into->emplace(co_await std::move(task));
    } catch (const Failure& failure) {
        into->emplace(failure.description());
    }
    ++*finished;
}

} // namespace

TEST_F(TokensTest, TenConcurrentRefusalsCauseOneRenewalAndAllRetryWithTheNewToken) {
    constexpr int callers = 10;
    // The renewal is held until every first attempt has reached the service, so the refusals
    // meet a renewal in flight rather than one already done.
    auto renewalHeld = std::make_shared<Gate>();
    int refusedAttempts = 0;
    FakeService wire;
    wire.answerBy("GET", "/v1/thing", [&](const RecordedRequest& request) {
        if (bearer(request) == "Bearer access-2") return ScriptedAnswer{.body = R"({"text":"ok"})"};
        if (++refusedAttempts == callers) renewalHeld->open();
        return ScriptedAnswer{.status = 401};
    });
    wire.answer("POST", refreshPath, ScriptedAnswer{.body = renewedPair.dump(), .gate = renewalHeld});
    auto brain = clientAt(wire.baseURL());

    std::vector<std::optional<std::variant<Greeting, std::string>>> outcomes(callers);
    int finished = 0;
    for (auto& slot : outcomes) tarvo::spawn(keep(brain->get<Greeting>("/v1/thing"), &slot, &finished));
    while (finished < callers) loop.runOnce();

    EXPECT_EQ(wire.requests("POST", refreshPath).size(), 1u);
    for (const auto& slot : outcomes) {
        ASSERT_TRUE(slot && std::holds_alternative<Greeting>(*slot));
        EXPECT_EQ(std::get<Greeting>(*slot).text, "ok");
    }
    int withOld = 0;
    int withNew = 0;
    for (const auto& request : wire.requests("GET", "/v1/thing")) {
        withOld += bearer(request) == "Bearer access-1";
        withNew += bearer(request) == "Bearer access-2";
    }
    EXPECT_EQ(withOld, callers);
    EXPECT_EQ(withNew, callers);
    EXPECT_EQ(heard.pairs, (std::vector<std::pair<std::string, std::string>>{{"access-2", "refresh-2"}}));
    EXPECT_EQ(brain->currentAccessToken(), "access-2");
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(TokensTest, ARefusalOfAnAlreadyReplacedTokenRenewsNothing) {
    auto refusalHeld = std::make_shared<Gate>();
    FakeService wire;
    wire.answerBy("GET", "/v1/thing", [refusalHeld](const RecordedRequest& request) {
        if (bearer(request) == "Bearer access-2") return ScriptedAnswer{.body = R"({"text":"ok"})"};
        return ScriptedAnswer{.status = 401, .gate = refusalHeld};
    });
    wire.answerJson("POST", refreshPath, 200, renewedPair);
    auto brain = clientAt(wire.baseURL());

    std::optional<std::variant<Greeting, std::string>> slow;
    int finished = 0;
    tarvo::spawn(keep(brain->get<Greeting>("/v1/thing"), &slow, &finished));
    loop.runReady(); // the slow request is on its way with the old token
    EXPECT_EQ(run(brain->renew()), "access-2");
    refusalHeld->open();
    while (finished < 1) loop.runOnce();

    ASSERT_TRUE(slow && std::holds_alternative<Greeting>(*slow));
    EXPECT_EQ(wire.requests("POST", refreshPath).size(), 1u);
    EXPECT_EQ(run(brain->refresh("access-1")), (Credentials{"access-2", "refresh-2", "device-9"}));
    EXPECT_EQ(wire.requests("POST", refreshPath).size(), 1u);
}

TEST_F(TokensTest, AFailedRenewalFailsEveryWaiterAlikeAndKeepsTheOldPair) {
    constexpr int callers = 10;
    service.queue("POST", refreshPath, {429, R"({"message":"Slow down"})"});
    service.answer("POST", refreshPath, jsonAnswer(200, renewedPair));
    auto brain = client();

    std::vector<std::optional<std::variant<Credentials, std::string>>> outcomes(callers);
    int finished = 0;
    for (auto& slot : outcomes) tarvo::spawn(keep(brain->refresh("access-1"), &slot, &finished));
    while (finished < callers) loop.runOnce();

    EXPECT_EQ(service.requests("POST", refreshPath).size(), 1u);
    for (const auto& slot : outcomes) {
        ASSERT_TRUE(slot.has_value());
        EXPECT_EQ(*slot, (std::variant<Credentials, std::string>("429 unavailable: Slow down")));
    }
    EXPECT_EQ(brain->currentAccessToken(), "access-1");
    EXPECT_TRUE(heard.pairs.empty());

    // Nothing of the failed renewal lingers: the next need starts a fresh one.
    EXPECT_EQ(run(brain->renew()), "access-2");
    ASSERT_EQ(service.requests("POST", refreshPath).size(), 2u);
    EXPECT_EQ(service.requests("POST", refreshPath)[1].body, R"({"refreshToken":"refresh-1"})");
}

TEST_F(TokensTest, UsableAccessTokenRenewsOnlyATokenNearOrPastItsExpiryByTheLoopsClock) {
    const double now = std::chrono::duration<double>(clock->date().time_since_epoch()).count();
    struct Case {
        const char* name;
        std::string stored;
        std::size_t refreshes;
    };
    const Case cases[] = {
        {"an hour left", accessTokenExpiringAt(now + 3600), 0},
        {"ten seconds left", accessTokenExpiringAt(now + 10), 1},
        {"expired", accessTokenExpiringAt(now - 3600), 1},
        {"hostile expiry", tarvo::testing::accessTokenWithPayload(R"({"exp":1e300})"), 1},
        {"not a token", "access-1", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        fresh->answer("POST", refreshPath, jsonAnswer(200, renewedPair));
        auto brain = clientOf(fresh, memoryURL, Credentials{c.stored, "refresh-1", "d"});
        EXPECT_EQ(run(brain->usableAccessToken()), c.refreshes == 0 ? c.stored : "access-2");
        EXPECT_EQ(fresh->requests("POST", refreshPath).size(), c.refreshes);
    }

    // The same token is renewed once the clock has moved to within a minute of its expiry.
    service.answer("POST", refreshPath, jsonAnswer(200, renewedPair));
    auto brain = client(Credentials{accessTokenExpiringAt(now + 3600), "refresh-1", "d"});
    loop.advance(std::chrono::minutes(58));
    EXPECT_NE(run(brain->usableAccessToken()), "access-2");
    loop.advance(std::chrono::minutes(1));
    EXPECT_EQ(run(brain->usableAccessToken()), "access-2");

    // A renewed token that again carries no expiry is renewed again on every use.
    run(brain->usableAccessToken());
    EXPECT_EQ(service.requests("POST", refreshPath).size(), 2u);
}

TEST_F(TokensTest, WithoutAPairNothingIsRenewedOrSent) {
    auto brain = client(std::nullopt);
    const std::string notSignedIn = "This Mac is not signed in to Tarvo.";
    EXPECT_EQ(brain->currentAccessToken(), std::nullopt);
    EXPECT_EQ(failureOf(brain->renew()), notSignedIn);
    EXPECT_EQ(failureOf(brain->usableAccessToken()), notSignedIn);
    EXPECT_EQ(failureOf(brain->refresh("access-1")), notSignedIn);
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(TokensTest, ExchangeJudgesTheRefreshAnswer) {
    const std::string fallback = "Tarvo could not renew this Mac's sign-in.";
    const std::string noPair = "Tarvo sent something unexpected: the refresh response carried no token pair";
    struct Case {
        const char* name;
        int status;
        std::string body;
        std::variant<Credentials, std::string> outcome;
        bool sessionGone;
    };
    const Case cases[] = {
        {"pair", 200, R"({"accessToken":"a","refreshToken":"r","expiresIn":900})", Credentials{"a", "r", "device-9"},
         false},
        {"pair with 201", 201, R"({"accessToken":"a","refreshToken":"r"})", Credentials{"a", "r", "device-9"}, false},
        {"no refresh token", 200, R"({"accessToken":"a"})", noPair, false},
        {"refresh token not text", 200, R"({"accessToken":"a","refreshToken":5})", noPair, false},
        {"empty body", 200, "", noPair, false},
        {"not JSON", 200, "<html>", noPair, false},
        {"bare 401", 401, "", "401 invalid_token: " + fallback, true},
        {"bare 400", 400, "", "400 invalid_token: " + fallback, true},
        {"429", 429, "", "429 unavailable: " + fallback, false},
        {"503 with an error member", 503, R"({"error":"maintenance"})", "503 maintenance: " + fallback, false},
        {"redirect", 302, "", "302 unavailable: " + fallback, false},
        {"reuse detected", 403, R"({"code":"reuse_detected","message":"Refresh token reused"})",
         "403 reuse_detected: Refresh token reused", true},
        {"unreadable problem body", 401, R"({"code":7})", "401 invalid_token: " + fallback, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        fresh->answer("POST", refreshPath, {c.status, c.body});
        TokensHeard told;
        auto exchange =
            BrainClient::exchange("refresh-1", "device-9", fresh, memoryURL, testIdentity, told.callback());
        std::variant<Credentials, std::string> result;
        try {
            result = run(std::move(exchange));
        } catch (const Failure& failure) {
            result = failure.description();
            EXPECT_EQ(failure.isSessionGone(), c.sessionGone);
        }
        EXPECT_EQ(result, c.outcome);
        if (auto* credentials = std::get_if<Credentials>(&result)) {
            EXPECT_EQ(told.pairs, (std::vector<std::pair<std::string, std::string>>{
                                      {credentials->accessToken, credentials->refreshToken}}));
        } else {
            EXPECT_TRUE(told.pairs.empty());
        }
    }
}

TEST_F(TokensTest, ExchangeSendsOnlyTheRefreshTokenAndTheIdentity) {
    RawHttpCapture raw;
    const std::string host = "Host: " + raw.baseURL().substr(7);
    auto exchange = BrainClient::exchange("refresh-1", "device-9", std::make_shared<tarvo::CurlHttpTransport>(),
                                          raw.baseURL() + "/api", testIdentity, {});
    EXPECT_THROW(run(std::move(exchange)), Failure);

    auto captured = raw.captured();
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].lines, (std::vector<std::string>{
                                     "POST /api/v1/auth/refresh HTTP/1.1",
                                     host,
                                     "Accept: */*",
                                     "content-type: application/json",
                                     "x-tarvo-platform: macos",
                                     "x-tarvo-build: 1234",
                                     "x-tarvo-version: 1.2.3",
                                     "Content-Length: 28",
                                 }));
    EXPECT_EQ(captured[0].body, R"({"refreshToken":"refresh-1"})");
}

TEST_F(TokensTest, AnUnreachableRefreshEndpointIsATransportFailure) {
    RefusingPort closed;
    auto exchange = BrainClient::exchange("refresh-1", "device-9", std::make_shared<tarvo::CurlHttpTransport>(),
                                          closed.baseURL(), testIdentity, heard.callback());
    try {
        run(std::move(exchange));
        FAIL() << "the exchange succeeded";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.kind(), Failure::Kind::transport);
        EXPECT_EQ(failure.description().rfind("Could not reach Tarvo: Couldn't connect to server", 0), 0u)
            << failure.description();
        EXPECT_FALSE(failure.isSessionGone());
    }
    EXPECT_TRUE(heard.pairs.empty());
}
