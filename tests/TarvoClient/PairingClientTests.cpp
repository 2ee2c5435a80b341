#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "Platform/CurlHttpTransport.h"
#include "Support/RawHttpCapture.h"
#include "Support/RefusingPort.h"
#include "TarvoClient/ClientTest.h"
#include "TarvoClient/MemoryHttpTransport.h"
#include "TarvoClient/PairingClient.h"

using tarvo::ClientIdentity;
using tarvo::Json;
using tarvo::MemoryHttpTransport;
using tarvo::PairingClient;
using tarvo::Task;
using tarvo::testing::ClientTest;
using tarvo::testing::jsonAnswer;
using tarvo::testing::RawHttpCapture;
using tarvo::testing::RefusingPort;
using Started = PairingClient::Started;
using Poll = PairingClient::Poll;

namespace {

const ClientIdentity identity{"macos", 1234, "1.2.3", "Test Mac", "14.4"};
const std::string startPath = "/v1/devices/pair/start";
const std::string pollPath = "/v1/devices/pair/poll";

PairingClient pairing(const std::string& baseURL) {
    return PairingClient(baseURL, identity, std::make_shared<tarvo::CurlHttpTransport>());
}

PairingClient pairingWith(std::shared_ptr<MemoryHttpTransport> service) {
    return PairingClient(ClientTest::memoryURL, identity, std::move(service));
}

struct PairingTest : ClientTest {
    template <class A>
    std::variant<A, std::string> outcome(Task<A> task) {
        return ClientTest::outcome<A, PairingClient::Failure>(std::move(task));
    }
};

Json startAnswer() {
    return Json{{"userCode", "WXYZ-1234"},
                {"deviceCode", "device-code-1"},
                {"verificationUrl", "https://tarvo.example/pair?code=WXYZ-1234"},
                {"expiresInSeconds", 900},
                {"intervalSeconds", 5}};
}

Json startAnswerWith(const char* key, Json value) {
    Json answer = startAnswer();
    if (value.is_discarded()) {
        answer.erase(key);
    } else {
        answer[key] = std::move(value);
    }
    return answer;
}

const Json missing = Json(Json::value_t::discarded);

} // namespace

TEST_F(PairingTest, StartSendsTheIdentityWithoutTokensAndTheCallersFields) {
    RawHttpCapture raw;
    const std::string host = "Host: " + raw.baseURL().substr(7);
    auto client = pairing(raw.baseURL() + "/api");
    const Json extra{{"installId", "i-1"}, {"platform", "spoofed"}, {"hardware", {{"model", "Mac15,3"}}}};
    outcome(client.start(extra));
    outcome(client.poll("device-code-1"));

    auto captured = raw.captured();
    ASSERT_EQ(captured.size(), 2u);
    const std::vector<std::string> identityHeaders{"content-type: application/json", "x-tarvo-platform: macos",
                                                   "x-tarvo-build: 1234", "x-tarvo-version: 1.2.3"};
    for (std::size_t i = 0; i < 2; ++i) {
        ASSERT_GE(captured[i].lines.size(), 8u);
        EXPECT_EQ(captured[i].lines[1], host);
        EXPECT_EQ(std::vector<std::string>(captured[i].lines.begin() + 3, captured[i].lines.begin() + 7),
                  identityHeaders);
        EXPECT_EQ(captured[i].lines.size(), 8u) << "only Content-Length follows";
    }
    EXPECT_EQ(captured[0].lines[0], "POST /api/v1/devices/pair/start HTTP/1.1");
    EXPECT_EQ(Json::parse(captured[0].body), (Json{{"installId", "i-1"},
                                                   {"platform", "macos"},
                                                   {"hardware", {{"model", "Mac15,3"}}},
                                                   {"deviceName", "Test Mac"}}));
    EXPECT_EQ(captured[1].lines[0], "POST /api/v1/devices/pair/poll HTTP/1.1");
    EXPECT_EQ(captured[1].body, R"({"deviceCode":"device-code-1"})");
}

TEST_F(PairingTest, StartReadsThePairingWithDefaultsAndBounds) {
    const std::string unusable = "Tarvo did not return a usable pairing.";
    auto started = [](std::int64_t expires, std::int64_t interval) {
        return Started{"WXYZ-1234", "device-code-1", "https://tarvo.example/pair?code=WXYZ-1234", expires, interval};
    };
    struct Case {
        const char* name;
        Json answer;
        std::variant<Started, std::string> outcome;
    };
    const Case cases[] = {
        {"as sent", startAnswer(), started(900, 5)},
        {"no interval", startAnswerWith("intervalSeconds", missing), started(900, 3)},
        {"interval zero", startAnswerWith("intervalSeconds", 0), started(900, 1)},
        {"interval negative", startAnswerWith("intervalSeconds", -20), started(900, 1)},
        {"interval fractional", startAnswerWith("intervalSeconds", 2.5), started(900, 3)},
        {"interval as text", startAnswerWith("intervalSeconds", "5"), started(900, 3)},
        {"interval whole as 7.0", startAnswerWith("intervalSeconds", 7.0), started(900, 7)},
        {"interval of a year", startAnswerWith("intervalSeconds", 31536000), started(900, 3600)},
        {"interval at the 64-bit limit", startAnswerWith("intervalSeconds", INT64_MAX), started(900, 3600)},
        {"interval past 64 bits", startAnswerWith("intervalSeconds", 1e30), started(900, 3)},
        {"no expiry", startAnswerWith("expiresInSeconds", missing), started(600, 5)},
        {"expiry zero", startAnswerWith("expiresInSeconds", 0), started(0, 5)},
        {"expiry negative", startAnswerWith("expiresInSeconds", -60), started(0, 5)},
        {"expiry null", startAnswerWith("expiresInSeconds", nullptr), started(600, 5)},
        {"expiry at the 64-bit limit", startAnswerWith("expiresInSeconds", INT64_MAX), started(86400, 5)},
        {"expiry at the 64-bit floor", startAnswerWith("expiresInSeconds", INT64_MIN), started(0, 5)},
        {"no user code", startAnswerWith("userCode", missing), unusable},
        {"device code not text", startAnswerWith("deviceCode", 42), unusable},
        {"no verification URL", startAnswerWith("verificationUrl", missing), unusable},
        {"empty verification URL", startAnswerWith("verificationUrl", ""), unusable},
        {"verification URL with a space", startAnswerWith("verificationUrl", "https://tarvo.example/a b"), unusable},
        {"verification URL without a scheme", startAnswerWith("verificationUrl", "tarvo.example/pair"), unusable},
        {"verification URL with a bad escape", startAnswerWith("verificationUrl", "https://tarvo.example/%zz"),
         unusable},
        {"not an object", Json::array({startAnswer()}), unusable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        fresh->answer("POST", startPath, jsonAnswer(200, c.answer));
        EXPECT_EQ(outcome(pairingWith(fresh).start(Json::object())), c.outcome);
    }
}

TEST_F(PairingTest, PollReadsTheStateOfTheCode) {
    const std::string noSession = "Tarvo approved this device but sent no session.";
    const Json approved{{"status", "approved"},
                        {"accessToken", "a"},
                        {"refreshToken", "r"},
                        {"deviceId", "d"},
                        {"userId", "u"}};
    Json withoutUser = approved;
    withoutUser.erase("userId");
    Json numericDevice = approved;
    numericDevice["deviceId"] = 7;
    struct Case {
        const char* name;
        std::string body;
        std::variant<Poll, std::string> outcome;
    };
    const Case cases[] = {
        {"approved", approved.dump(), Poll{PairingClient::Approved{"a", "r", "d", "u"}}},
        {"approved without a user id", withoutUser.dump(), noSession},
        {"approved with a numeric device id", numericDevice.dump(), noSession},
        {"pending", R"({"status":"pending"})", Poll{PairingClient::Pending{}}},
        {"denied", R"({"status":"denied"})", Poll{PairingClient::Denied{}}},
        {"expired", R"({"status":"expired"})", Poll{PairingClient::Expired{}}},
        {"unknown status", R"({"status":"slow_down"})", Poll{PairingClient::Pending{}}},
        {"status in capitals", R"({"status":"DENIED"})", Poll{PairingClient::Pending{}}},
        {"status not text", R"({"status":1})", Poll{PairingClient::Pending{}}},
        {"no status", R"({"accessToken":"a"})", Poll{PairingClient::Pending{}}},
        {"empty body", "", Poll{PairingClient::Pending{}}},
        {"not JSON", "<html>ok</html>", Poll{PairingClient::Pending{}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        fresh->answer("POST", pollPath, {200, c.body});
        EXPECT_EQ(outcome(pairingWith(fresh).poll("device-code-1")), c.outcome);
    }
}

TEST_F(PairingTest, ARefusalCarriesTheServicesMessageOrTheStatus) {
    struct Case {
        int status;
        std::string body;
        std::string description;
    };
    const Case cases[] = {
        {400, R"({"message":"That code has already been used."})", "That code has already been used."},
        {400, R"({"message":5,"error":"bad"})", "Tarvo refused the request (400)."},
        {404, "", "Tarvo refused the request (404)."},
        {502, "<html><h1>Bad Gateway</h1></html>", "Tarvo refused the request (502)."},
        {302, "", "Tarvo refused the request (302)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        auto fresh = std::make_shared<MemoryHttpTransport>();
        fresh->answer("POST", startPath, {c.status, c.body});
        fresh->answer("POST", pollPath, {c.status, c.body});
        auto client = pairingWith(fresh);
        EXPECT_EQ(std::get<std::string>(outcome(client.start(Json::object()))), c.description);
        EXPECT_EQ(std::get<std::string>(outcome(client.poll("device-code-1"))), c.description);
    }
}

TEST_F(PairingTest, AnUnreachableServiceIsNamedByItsHost) {
    RefusingPort closed;
    struct Case {
        std::string baseURL;
        std::string host;
    };
    const Case cases[] = {
        {closed.baseURL() + "/api", "127.0.0.1"},
        {"http://user@localhost:" + std::to_string(closed.port()), "localhost"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baseURL);
        try {
            run(pairing(c.baseURL).poll("device-code-1"));
            FAIL() << "the poll succeeded";
        } catch (const PairingClient::Failure& failure) {
            EXPECT_EQ(failure.kind(), PairingClient::Failure::Kind::transport);
            const std::string expected = "Could not reach Tarvo: " + c.host + " — Couldn't connect to server";
            EXPECT_EQ(failure.description().rfind(expected, 0), 0u) << failure.description();
        }
    }
}

TEST_F(PairingTest, CallsRunConcurrentlyOnCopiesOfTheClient) {
    service.answer("POST", pollPath, {200, R"({"status":"denied"})"});
    std::optional<std::variant<Poll, std::string>> first;
    std::optional<std::variant<Poll, std::string>> second;
    int finished = 0;
    auto keep = [](Task<Poll> task, std::optional<std::variant<Poll, std::string>>* into, int* finished) -> Task<void> {
        into->emplace(co_await std::move(task));
        ++*finished;
    };
    {
        // The calls outlive the client they were made on.
        auto client = pairingWith(memory);
        tarvo::spawn(keep(client.poll("a"), &first, &finished));
        tarvo::spawn(keep(client.poll("b"), &second, &finished));
    }
    while (finished < 2) loop.runOnce();
    EXPECT_EQ(*first, (std::variant<Poll, std::string>(Poll{PairingClient::Denied{}})));
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(service.requests("POST", pollPath).size(), 2u);
}
