#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"

using tarvo::AttachmentDecision;
using tarvo::BrainClient;
using tarvo::Json;
using tarvo::OutgoingAttachment;
using tarvo::testing::ClientTest;
using tarvo::testing::jsonAnswer;

namespace {

using IngestTest = ClientTest;

using namespace std::chrono;

// 2024-03-05T14:07:09.123Z
const system_clock::time_point sentAt = sys_days{year{2024} / March / 5} + hours{14} + minutes{7} + seconds{9} +
                                        milliseconds{123};

struct Message {
    std::optional<std::string> senderIdentifier{};
    std::optional<std::string> senderIdentifierKind{};
    std::optional<std::string> senderDisplayName{};
    std::optional<std::string> threadTitle{};
    bool sentViaTarvo = false;
    std::vector<OutgoingAttachment> attachments{};
    system_clock::time_point at = sentAt;
};

Json alwaysSent(const std::string& date = "2024-03-05T14:07:09.123Z") {
    return Json{{"channelId", "ch-1"},        {"externalThreadId", "th-1"}, {"externalMessageId", "m-1"},
                {"direction", "inbound"},      {"body", ""},                 {"sentAt", date},
                {"threadKind", "direct"}};
}

Json with(Json body, const Json& members) {
    for (const auto& [key, value] : members.items()) body[key] = value;
    return body;
}

} // namespace

TEST_F(IngestTest, SendsEachConditionalMemberOnlyAsTheArgumentsSay) {
    const OutgoingAttachment plain{"att-1", "a.jpg", "image/jpeg", 2048, std::nullopt, false, false, std::nullopt};
    const OutgoingAttachment flagged{"att-2", "v.mov", "video/quicktime", 9, "icloud", true, true, 31};
    struct Case {
        const char* name;
        Message message;
        Json body;
    };
    const Case cases[] = {
        {"nothing optional", {}, alwaysSent()},
        {"whole second", {.at = sys_days{year{2024} / March / 5} + hours{14}}, alwaysSent("2024-03-05T14:00:00.000Z")},
        {"sent via Tarvo", {.sentViaTarvo = true}, with(alwaysSent(), {{"sentViaTarvo", true}})},
        {"email sender", {.senderIdentifier = "ana@example.com"},
         with(alwaysSent(), {{"senderIdentifier", "ana@example.com"}, {"senderIdentifierKind", "email"}})},
        {"phone sender", {.senderIdentifier = "+15551234567"},
         with(alwaysSent(), {{"senderIdentifier", "+15551234567"}, {"senderIdentifierKind", "phone"}})},
        {"given kind wins", {.senderIdentifier = "ana@wa", .senderIdentifierKind = "whatsapp"},
         with(alwaysSent(), {{"senderIdentifier", "ana@wa"}, {"senderIdentifierKind", "whatsapp"}})},
        {"kind without sender", {.senderIdentifierKind = "email"}, alwaysSent()},
        {"empty display name kept", {.senderDisplayName = ""}, with(alwaysSent(), {{"senderDisplayName", ""}})},
        {"empty title dropped", {.threadTitle = ""}, alwaysSent()},
        {"title", {.threadTitle = "Family"}, with(alwaysSent(), {{"threadTitle", "Family"}})},
        {"attachments",
         {.attachments = {plain, flagged}},
         with(alwaysSent(),
              {{"attachments",
                {{{"externalId", "att-1"}, {"filename", "a.jpg"}, {"mimeType", "image/jpeg"}, {"sizeBytes", 2048}},
                 {{"externalId", "att-2"},
                  {"filename", "v.mov"},
                  {"mimeType", "video/quicktime"},
                  {"sizeBytes", 9},
                  {"providerHint", "icloud"},
                  {"sensitive", true},
                  {"ephemeral", true},
                  {"durationSeconds", 31}}}}})},
    };
    service.answer("POST", "/v1/ingest", {200, "{}"});
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Message& m = c.message;
        run(brain->ingest("ch-1", "th-1", "m-1", "inbound", "", m.at, m.senderIdentifier, m.senderIdentifierKind,
                          m.senderDisplayName, "direct", m.threadTitle, m.sentViaTarvo, m.attachments));
        EXPECT_EQ(lastBodySent(), c.body);
    }
}

TEST_F(IngestTest, AnswersGiveTheDecisionsOrFailWhole) {
    struct Case {
        std::string answer;
        std::vector<AttachmentDecision> decisions;
        std::string failure;
    };
    const Case cases[] = {
        {"{}", {}, ""},
        {R"({"attachments":null})", {}, ""},
        {R"({"attachments":[]})", {}, ""},
        {R"({"attachments":[{"externalId":"att-1","mediaClass":"image","wantBytes":true,"id":"s-1"},
                            {"externalId":"att-2","mediaClass":"video","wantBytes":false,"reason":"too big"}]})",
         {{"att-1", "s-1", "image", true, std::nullopt}, {"att-2", std::nullopt, "video", false, "too big"}},
         ""},
        {R"({"attachments":[{"externalId":"att-1","mediaClass":"image","wantBytes":true},
                            {"externalId":"att-2","mediaClass":"video"}]})",
         {},
         R"("attachments[1].wantBytes" is missing)"},
        {R"({"attachments":[{"externalId":"att-1","mediaClass":"image","wantBytes":1}]})", {},
         R"("attachments[0].wantBytes" is not a boolean)"},
    };
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        service.queue("POST", "/v1/ingest", {200, c.answer});
        auto ingest = brain->ingest("ch-1", "th-1", "m-1", "inbound", "hi", sentAt, std::nullopt, std::nullopt,
                                    std::nullopt, "direct", std::nullopt, false, {});
        if (c.failure.empty()) {
            EXPECT_EQ(run(std::move(ingest)), c.decisions);
        } else {
            EXPECT_EQ(failureOf(std::move(ingest)), "Tarvo sent something unexpected: " + c.failure);
        }
    }
}

TEST_F(IngestTest, UploadSendsTheBytesAsStandardBase64) {
    std::string longBase64; // 100 bytes: past the width at which some encoders break lines
    for (int group = 0; group < 33; ++group) longBase64 += "/v7+";
    longBase64 += "/g==";
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {std::string("\x00\xfb\xff", 3), "APv/"},
        {std::string(100, '\xfe'), longBase64},
    };
    service.answer("POST", "/v1/ingest/attachments/s-1/bytes", {204, ""});
    auto brain = client();
    for (const auto& [bytes, base64] : cases) {
        SCOPED_TRACE(base64);
        run(brain->uploadInboundAttachment("s-1", bytes));
        EXPECT_EQ(lastBodySent(), (Json{{"dataBase64", base64}}));
    }
}
