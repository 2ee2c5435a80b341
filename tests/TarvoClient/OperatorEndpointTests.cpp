#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Support/FakeService.h"
#include "Support/RawHttpCapture.h"
#include "Support/RefusingPort.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"
#include "TarvoClient/JSONValue.h"

using tarvo::BrainClient;
using tarvo::HttpTransport;
using tarvo::Json;
using tarvo::JSONValue;
using tarvo::OperatorNextAnswer;
using tarvo::Task;
using tarvo::testing::ClientTest;
using tarvo::testing::FakeService;
using tarvo::testing::jsonAnswer;
using tarvo::testing::Gate;
using tarvo::testing::RawHttpCapture;
using tarvo::testing::RefusingPort;
using tarvo::testing::ScriptedAnswer;

namespace {

using OperatorTest = ClientTest;

const std::string decodingPrefix = "Tarvo sent something unexpected: ";

OperatorNextAnswer kindOnly(std::string kind) {
    OperatorNextAnswer answer;
    answer.kind = std::move(kind);
    return answer;
}

JSONValue number(double value) { return JSONValue(std::in_place_type<double>, value); }
JSONValue text(std::string value) { return JSONValue(std::in_place_type<std::string>, std::move(value)); }
JSONValue boolean(bool value) { return JSONValue(std::in_place_type<bool>, value); }
JSONValue array(JSONValue::Array elements) { return JSONValue(std::in_place_type<JSONValue::Array>, std::move(elements)); }
JSONValue object(JSONValue::Object members) {
    return JSONValue(std::in_place_type<JSONValue::Object>, std::move(members));
}

} // namespace

TEST_F(OperatorTest, PollBodiesHoldTheWaitInRangeAndTellAbsentFromEmpty) {
    struct Case {
        std::int64_t wait;
        std::optional<std::string> holding;
        std::optional<std::vector<std::string>> can;
        Json body;
    };
    const Case cases[] = {
        {40, std::nullopt, std::nullopt, Json{{"wait", 25}, {"holding", nullptr}}},
        {-5, "run-1", std::vector<std::string>{}, Json{{"wait", 0}, {"holding", "run-1"}, {"can", Json::array()}}},
        {25, std::nullopt, std::vector<std::string>{"screen", "keys"},
         Json{{"wait", 25}, {"holding", nullptr}, {"can", {"screen", "keys"}}}},
    };
    service.answer("POST", "/v1/mac/operator/next", {200, R"({"kind":"none"})"});
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.dump());
        EXPECT_EQ(BrainClient::nextOperatorStepBody(c.wait, c.holding, c.can), c.body);
        run(brain->nextOperatorStep(c.wait, c.holding, c.can));
        EXPECT_EQ(lastBodySent(), c.body);
    }
}

TEST_F(OperatorTest, PollAnswersDecodeStrictly) {
    OperatorNextAnswer full{"step",
                            "run-1",
                            "step-4",
                            4,
                            JSONValue::Object{{"action", text("click")}},
                            1500,
                            "ready",
                            "run-1",
                            OperatorNextAnswer::Pressed{"d1g", "2024-03-05T14:07:09.123Z"},
                            JSONValue::Object{{"scope", text("read")}}};
    struct Case {
        const char* name;
        std::string answer;
        std::optional<OperatorNextAnswer> decoded;
        std::string failure;
    };
    const Case cases[] = {
        {"unknown kind only", R"({"kind":"later"})", kindOnly("later"), ""},
        {"all null", R"({"kind":"stop","runId":null,"stepId":null,"ordinal":null,"step":null,"answerWithinMs":null,
                         "reason":null,"liveRunId":null,"pressed":null,"permit":null})",
         kindOnly("stop"), ""},
        {"full", R"({"kind":"step","runId":"run-1","stepId":"step-4","ordinal":4,"step":{"action":"click"},
                     "answerWithinMs":1500,"reason":"ready","liveRunId":"run-1",
                     "pressed":{"digest":"d1g","at":"2024-03-05T14:07:09.123Z"},"permit":{"scope":"read"},"x":1})",
         full, ""},
        {"no kind", R"({"runId":"run-1"})", {}, R"("kind" is missing)"},
        {"pressed without at", R"({"kind":"step","pressed":{"digest":"d1g"}})", {}, R"("pressed.at" is missing)"},
        {"step not an object", R"({"kind":"step","step":[1]})", {}, R"("step" is not an object)"},
        {"fractional ordinal", R"({"kind":"step","ordinal":1.5})", {}, R"("ordinal" is not a whole number)"},
    };
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.queue("POST", "/v1/mac/operator/next", {200, c.answer});
        if (c.decoded) {
            EXPECT_EQ(run(brain->nextOperatorStep(25, std::nullopt, std::nullopt)), *c.decoded);
        } else {
            EXPECT_EQ(failureOf(brain->nextOperatorStep(25, std::nullopt, std::nullopt)), decodingPrefix + c.failure);
        }
    }
}

TEST(JSONValueTest, DecodesEachJsonValueAsItsOwnCase) {
    const JSONValue::Object decoded = JSONValue::objectFromJson(
        Json::parse(R"({"t":true,"one":1,"half":1.5,"s":"1","n":null,"a":[1,"a"],"o":{},"big":18446744073709551615})"));
    const JSONValue::Object expected{
        {"t", boolean(true)},
        {"one", number(1)},
        {"half", number(1.5)},
        {"s", text("1")},
        {"n", JSONValue()},
        {"a", array({number(1), text("a")})},
        {"o", object({})},
        {"big", number(18446744073709551615.0)},
    };
    EXPECT_EQ(decoded, expected);
    EXPECT_NE(number(1), boolean(true));
    EXPECT_NE(number(0), boolean(false));
    EXPECT_NE(array({number(1), text("a")}), array({text("a"), number(1)}));
    EXPECT_EQ(JSONValue::fromJson(Json::parse(R"({"x":1,"y":2})")), JSONValue::fromJson(Json::parse(R"({"y":2,"x":1})")));
    EXPECT_EQ(text("1").string(), "1");
    EXPECT_EQ(number(1).string(), std::nullopt);
}

TEST_F(OperatorTest, AStepNestedBeyondReasonFailsToDecodeInsteadOfExhaustingTheStack) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    service.answer("POST", "/v1/mac/operator/next", {200, R"({"kind":"step","step":{"a":)" + deep + "}}"});
    const std::string failure = failureOf(client()->nextOperatorStep(25, std::nullopt, std::nullopt));
    EXPECT_EQ(failure.rfind(decodingPrefix, 0), 0u) << failure;
}

TEST_F(OperatorTest, AStepResultCountsAsAcceptedOnlyWhenTheServiceSaysSo) {
    struct Case {
        std::string answer;
        std::optional<bool> accepted;
    };
    const Case cases[] = {
        {"{}", false},
        {R"({"accepted":null})", false},
        {R"({"accepted":false})", false},
        {R"({"accepted":true})", true},
        {R"({"accepted":"yes"})", std::nullopt},
    };
    const Json result{{"ok", true}, {"observed", {{"title", "Mail"}}}};
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        service.queue("POST", "/v1/mac/operator/steps/step-4/result", {200, c.answer});
        if (c.accepted) {
            EXPECT_EQ(run(brain->postOperatorResult("step-4", result)), *c.accepted);
        } else {
            EXPECT_EQ(failureOf(brain->postOperatorResult("step-4", result)),
                      decodingPrefix + R"("accepted" is not a boolean)");
        }
        EXPECT_EQ(lastBodySent(), result);
    }
}

TEST_F(OperatorTest, ReportingAStoppedRunNeverFails) {
    service.queue("POST", "/v1/mac/operator/runs/run-1/stopped", {204, ""});
    service.queue("POST", "/v1/mac/operator/runs/run-1/stopped", {404, R"({"code":"not_found"})"});
    EXPECT_EQ(run(client()->reportRunStopped("run-1", "hotkey")), 200);
    EXPECT_EQ(run(client()->reportRunStopped("run-1", "bar")), 404);
    auto sent = service.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(bodyOf(sent[0]), (Json{{"by", "hotkey"}}));

    RefusingPort closed;
    EXPECT_EQ(run(clientAt(closed.baseURL())->reportRunStopped("run-1", "menu")), 0);
    EXPECT_EQ(run(client(std::nullopt)->reportRunStopped("run-1", "menu")), 0);
    EXPECT_EQ(run(client()->reportRunStopped("..", "menu")), 0);
    EXPECT_EQ(service.requests().size(), 2u);
}

TEST_F(OperatorTest, RawCallsHandBackEveryStatusWithTheirOwnBodyAndHeaders) {
    service.answer("PUT", "/v1/mac/devices/device-9/permissions/mode", {500, "down"});
    service.answer("GET", "/v1/mac/operator/steps/step-4/file", {200, R"({"received":0})"});
    service.answer("PUT", "/v1/mac/operator/steps/step-4/file", {409, R"({"received":512})"});
    auto brain = client();
    const std::string chunk("\x00\x01\xff chunk", 9);

    EXPECT_EQ(run(brain->setPermissionMode("device-9", "auto")), (HttpTransport::Response{500, "down"}));
    EXPECT_EQ(run(brain->operatorFileState("step-4")), (HttpTransport::Response{200, R"({"received":0})"}));
    EXPECT_EQ(run(brain->operatorFileChunk("step-4", 0, 1048576, "ab12", chunk)),
              (HttpTransport::Response{409, R"({"received":512})"}));

    auto sent = service.requests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].body, R"({"mode":"auto"})");
    EXPECT_EQ(headerOf(sent[0], "content-type"), "application/json");
    EXPECT_EQ(sent[1].body, std::nullopt);
    EXPECT_EQ(headerOf(sent[1], "content-type"), std::nullopt);
    EXPECT_EQ(sent[2].body, chunk);
    EXPECT_EQ(headerOf(sent[2], "content-type"), "application/octet-stream");
    EXPECT_EQ(headerOf(sent[2], "x-tarvo-offset"), "0");
    EXPECT_EQ(headerOf(sent[2], "x-tarvo-total"), "1048576");
    EXPECT_EQ(headerOf(sent[2], "x-tarvo-sha256"), "ab12");
}

TEST_F(OperatorTest, AFileChunkGoesOutWithTheStandardHeadersThenItsOwn) {
    RawHttpCapture raw;
    run(clientAt(raw.baseURL())->operatorFileChunk("step-4", 512, 2048, "ab12", "xyz"));
    auto captured = raw.captured();
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].lines, (std::vector<std::string>{
                                     "PUT /v1/mac/operator/steps/step-4/file HTTP/1.1",
                                     "Host: " + raw.baseURL().substr(7),
                                     "Accept: */*",
                                     "content-type: application/octet-stream",
                                     "authorization: Bearer access-1",
                                     "x-tarvo-device: device-9",
                                     "x-tarvo-platform: macos",
                                     "x-tarvo-build: 1234",
                                     "x-tarvo-version: 1.2.3",
                                     "x-tarvo-offset: 512",
                                     "x-tarvo-total: 2048",
                                     "x-tarvo-sha256: ab12",
                                     "Content-Length: 3",
                                 }));
    EXPECT_EQ(captured[0].body, "xyz");
}

TEST_F(OperatorTest, AHeldPollDoesNotHoldUpAHeartbeat) {
    auto gate = std::make_shared<Gate>();
    FakeService wire;
    wire.answer("POST", "/v1/mac/operator/next", ScriptedAnswer{.body = R"({"kind":"stop"})", .gate = gate});
    wire.answerJson("POST", "/v1/relay/heartbeat", 200, Json{{"channels", Json::array()}, {"waitingJobs", 5}});
    auto brain = clientAt(wire.baseURL());

    std::optional<OperatorNextAnswer> polled;
    auto poll = [](std::shared_ptr<BrainClient> brain, std::optional<OperatorNextAnswer>* polled) -> Task<void> {
        *polled = co_await brain->nextOperatorStep(25, std::nullopt, std::nullopt);
    };
    tarvo::spawn(poll(brain, &polled));

    auto beat = run(brain->heartbeat({}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true, std::nullopt));
    EXPECT_EQ(beat.waitingJobs, 5);
    EXPECT_FALSE(polled.has_value());

    gate->open();
    while (!polled) loop.runOnce();
    EXPECT_EQ(polled->kind, "stop");
}
