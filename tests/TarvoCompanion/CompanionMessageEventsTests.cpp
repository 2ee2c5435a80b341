#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureTest.h"
#include "Support/CapturedTarvoLog.h"
#include "TarvoCompanion/MessageEventsRefused.h"

using namespace std::chrono_literals;
using tarvo::Companion;
using tarvo::Json;
using tarvo::LogLevel;
using tarvo::MessageEventsRefused;
using tarvo::testing::CaptureTest;
using tarvo::testing::MessagesDatabaseFixture;

namespace {

const std::string eventsPath = "/v1/ingest/message-events";

} // namespace

TEST(MessageEventsRefused, NamesTheStatusAndOnlyATextCode) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {R"({"code":"channel_disabled","message":"secret detail"})", "HTTP 400 channel_disabled"},
        {R"({"code":7})", "HTTP 400"},
        {R"([{"code":"channel_disabled"}])", "HTTP 400"},
        {"channel disabled", "HTTP 400"},
        {"", "HTTP 400"},
    };
    for (const auto& [body, description] : cases) {
        const MessageEventsRefused refused(400, body);
        EXPECT_EQ(refused.what(), description) << body;
        EXPECT_EQ(refused.body(), body);
    }
}

TEST_F(CaptureTest, ABatchIsTakenOnlyWithAStatusFrom200To299) {
    service.answerJson("POST", "/v1/auth/refresh", 200,
                       Json{{"accessToken", "access-2"}, {"refreshToken", "refresh-2"}});
    const std::vector<std::pair<int, std::string>> cases{{200, ""},         {202, ""},         {299, ""},
                                                         {300, "HTTP 300"}, {404, "HTTP 404"}, {500, "HTTP 500"},
                                                         {401, "HTTP 401"}};
    for (const auto& [status, refusal] : cases) {
        SCOPED_TRACE(status);
        service.answer("POST", eventsPath, status, R"({"message":"not shown"})");
        const auto post = Companion::messageEventsPost(signedInClient());
        std::string described;
        try {
            runUntilDone(loop, post("ch-imessage", {Json{{"kind", "status"}}}));
        } catch (const MessageEventsRefused& refused) {
            described = refused.what();
        }
        EXPECT_EQ(described, refusal);
    }
    // The refused token was renewed once and the batch sent again with the new one.
    const auto sent = service.requests("POST", eventsPath);
    ASSERT_EQ(sent.size(), 8u);
    EXPECT_EQ(sent[6].header("Authorization"), "Bearer access-1");
    EXPECT_EQ(sent[7].header("Authorization"), "Bearer access-2");
}

TEST_F(CaptureTest, ReceiptsArePostedAfterTheFullPassEvenWhenItsIngestFailed) {
    messages.addMessage({.guid = "own-1",
                         .chat = friendChat,
                         .date = MessagesDatabaseFixture::nanoseconds(noon - 30s),
                         .text = "hi",
                         .isFromMe = true,
                         .service = "iMessage",
                         .isDelivered = true,
                         .dateDelivered = MessagesDatabaseFixture::nanoseconds(noon - 20s)});
    service.answer("POST", "/v1/ingest", 503, R"({"code":"busy"})");
    service.answer("POST", eventsPath, 400, R"({"code":"channel_disabled"})");
    tarvo::testing::CapturedTarvoLog named;

    capture(*makeCompanion());

    EXPECT_EQ(linesStartingWith("tarvo: capture failed: "), 1);
    const auto sent = service.requests("POST", eventsPath);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].header("Content-Type"), "application/json");
    EXPECT_EQ(Json::parse(sent[0].body),
              (Json{{"channelId", "ch-imessage"},
                    {"events",
                     {{{"kind", "status"},
                       {"messageExternalId", "own-1"},
                       {"status", "delivered"},
                       {"at", "2026-03-02T09:59:40.000Z"}}}}}));
    const auto entries = named.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[1].format, "message events batch refused — %{private}s");
    EXPECT_EQ(entries[1].arguments.at(0).text(), "HTTP 400 channel_disabled");
}
