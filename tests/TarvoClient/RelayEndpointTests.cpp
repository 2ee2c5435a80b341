#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TarvoBase/Text.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"

using tarvo::BrainClient;
using tarvo::HeartbeatNudge;
using tarvo::HeartbeatResponse;
using tarvo::Json;
using tarvo::RelayAttachment;
using tarvo::RelayJob;
using tarvo::testing::ClientTest;
using tarvo::testing::jsonAnswer;

namespace {

using RelayTest = ClientTest;

const std::string decodingPrefix = "Tarvo sent something unexpected: ";

Json job(const std::string& id) {
    return Json{{"id", id},           {"channelKind", "imessage"}, {"threadId", "t-1"}, {"conversationRef", "c-1"},
                {"body", "hello"},    {"waitingSeconds", 4},       {"attempts", 1}};
}

} // namespace

TEST_F(RelayTest, HeartbeatSendsOnlyTheMembersGivenAndMatchesItsPureBody) {
    const Json capture{{"pages", 2}};
    const Json caps{{"screen", true}};
    const Json device{{"name", "Mac"}};
    const Json chatDb = Json::object();
    struct Case {
        const char* name;
        std::optional<std::string> blockedReason;
        std::optional<Json> capture, operatorCaps, device, chatDb;
        bool nudgeNotices;
        Json body;
    };
    const Case cases[] = {
        {"all absent", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, false,
         Json{{"channels", {"imessage", "sms"}}, {"blockedReason", nullptr}}},
        {"empty reason", "", std::nullopt, std::nullopt, std::nullopt, std::nullopt, false,
         Json{{"channels", {"imessage", "sms"}}, {"blockedReason", ""}}},
        {"all present", "WhatsApp is not linked", capture, caps, device, chatDb, true,
         Json{{"channels", {"imessage", "sms"}},
              {"blockedReason", "WhatsApp is not linked"},
              {"capture", capture},
              {"operator", caps},
              {"chatDb", chatDb},
              {"device", device},
              {"nudgeNotices", true}}},
    };
    service.answer("POST", "/v1/relay/heartbeat",
                   jsonAnswer(200, Json{{"channels", Json::array()}, {"waitingJobs", 0}}));
    auto brain = client();
    const std::vector<std::string> channels{"imessage", "sms"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BrainClient::heartbeatBody(channels, c.blockedReason, c.capture, c.operatorCaps, c.chatDb, c.device,
                                             c.nudgeNotices),
                  c.body);
        run(brain->heartbeat(channels, c.blockedReason, c.capture, c.operatorCaps, c.device, c.nudgeNotices,
                             c.chatDb));
        EXPECT_EQ(lastBodySent(), c.body);
    }
}

TEST_F(RelayTest, HeartbeatAnswersDecodeStrictly) {
    HeartbeatResponse bare{{"imessage"}, 3, {}, {}, {}, {}, {}, {}};
    HeartbeatResponse full{{"imessage"}, 3, 2, 1, std::map<std::string, std::string>{{"sms", "ch-2"}},
                           std::vector<std::string>{"whatsapp"}, HeartbeatNudge{"turn-1", "Reply?", "Ana wrote"},
                           "auto_read"};
    struct Case {
        const char* name;
        std::string answer;
        std::optional<HeartbeatResponse> decoded;
        std::string failure;
    };
    const Case cases[] = {
        {"bare", R"({"channels":["imessage"],"waitingJobs":3,"other":{}})", bare, ""},
        {"optionals null",
         R"({"channels":["imessage"],"waitingJobs":3,"needsYou":null,"followUpCount":null,"channelIds":null,
             "unmatched":null,"nudge":null,"macPermissionMode":null})",
         bare, ""},
        {"full",
         R"({"channels":["imessage"],"waitingJobs":3,"needsYou":2,"followUpCount":1,"channelIds":{"sms":"ch-2"},
             "unmatched":["whatsapp"],"nudge":{"turnId":"turn-1","title":"Reply?","body":"Ana wrote"},
             "macPermissionMode":"auto_read"})",
         full, ""},
        {"no waitingJobs", R"({"channels":["imessage"]})", {}, R"("waitingJobs" is missing)"},
        {"fractional count", R"({"channels":[],"waitingJobs":1.5})", {}, R"("waitingJobs" is not a whole number)"},
        {"count past 64 bits", R"({"channels":[],"waitingJobs":9223372036854775808})", {},
         R"("waitingJobs" does not fit a 64-bit integer)"},
        {"nudge without body", R"({"channels":[],"waitingJobs":0,"nudge":{"turnId":"t","title":"x"}})", {},
         R"("nudge.body" is missing)"},
        {"channel id not text", R"({"channels":[],"waitingJobs":0,"channelIds":{"sms":7}})", {},
         R"("channelIds.sms" is not a string)"},
        {"needsYou as text", R"({"channels":[],"waitingJobs":0,"needsYou":"2"})", {},
         R"("needsYou" is not a number)"},
        {"not an object", "[]", {}, R"("the answer" is not an object)"},
    };
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.queue("POST", "/v1/relay/heartbeat", {200, c.answer});
        auto beat = brain->heartbeat({"imessage"}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true,
                                     std::nullopt);
        if (c.decoded) {
            EXPECT_EQ(run(std::move(beat)), *c.decoded);
        } else {
            EXPECT_EQ(failureOf(std::move(beat)), decodingPrefix + c.failure);
        }
    }
}

TEST_F(RelayTest, ClaimSendsTheLimitAndReturnsTheJobsInOrder) {
    Json withFiles = job("j-2");
    withFiles["attachments"] = {{{"id", "a-1"}, {"filename", "p.jpg"}, {"mimeType", "image/jpeg"}, {"sizeBytes", 9}}};
    withFiles["conversationName"] = "Family";
    Json nullFiles = job("j-3");
    nullFiles["attachments"] = nullptr;
    Json noFiles = job("j-4");
    noFiles["attachments"] = Json::array();
    service.answer("POST", "/v1/relay/jobs/claim",
                   jsonAnswer(200, Json{{"jobs", {job("j-1"), withFiles, nullFiles, noFiles}}}));

    auto jobs = run(client()->claimJobs(0));

    EXPECT_EQ(onlyBodySent(), (Json{{"limit", 0}}));
    ASSERT_EQ(jobs.size(), 4u);
    EXPECT_EQ(jobs[0], (RelayJob{"j-1", "imessage", "t-1", "c-1", std::nullopt, "hello", std::nullopt, 4, 1}));
    EXPECT_EQ(jobs[1].conversationName, "Family");
    EXPECT_EQ(jobs[1].files(), (std::vector<RelayAttachment>{{"a-1", "p.jpg", "image/jpeg", 9}}));
    EXPECT_FALSE(jobs[2].attachments.has_value());
    EXPECT_TRUE(jobs[2].files().empty());
    EXPECT_EQ(jobs[3].attachments, std::vector<RelayAttachment>{});
}

TEST_F(RelayTest, AClaimAnswerWithOneBadMemberFailsWhole) {
    Json badFile = job("j-2");
    badFile["attachments"] = {{{"id", "a-1"}, {"filename", "p.jpg"}, {"mimeType", "image/jpeg"}}};
    Json fractional = job("j-3");
    fractional["attempts"] = 1.5;
    const std::pair<Json, std::string> cases[] = {
        {Json::object(), R"("jobs" is missing)"},
        {Json{{"jobs", {job("j-1"), badFile}}}, R"("jobs[1].attachments[0].sizeBytes" is missing)"},
        {Json{{"jobs", {fractional}}}, R"("jobs[0].attempts" is not a whole number)"},
    };
    auto brain = client();
    for (const auto& [answer, failure] : cases) {
        SCOPED_TRACE(failure);
        service.queue("POST", "/v1/relay/jobs/claim", {200, answer.dump()});
        EXPECT_EQ(failureOf(brain->claimJobs(3)), decodingPrefix + failure);
    }
}

TEST_F(RelayTest, AttachmentBytesMustBeExactlyWhatWasPromised) {
    const std::string tenBytes("\x00\x01\x02\x03\x04\x05\x06\x07\x08\xff", 10);
    const std::string tenBytesBase64 = "AAECAwQFBgcI/w==";
    struct Case {
        const char* name;
        std::string dataBase64;
        std::int64_t sizeBytes;
        std::string failure;
    };
    const Case cases[] = {
        {"as promised", tenBytesBase64, 10, ""},
        {"empty text", "", 0, "the file arrived with no readable bytes"},
        {"line break", "AAECAwQF\nBgcI/w==", 10, "the file arrived with no readable bytes"},
        {"not Base64", "AAECAwQFBgcI/w=", 10, "the file arrived with no readable bytes"},
        {"short", tenBytesBase64, 12, "the file arrived 10 bytes long where 12 were promised"},
        {"long", tenBytesBase64, 9, "the file arrived 10 bytes long where 9 were promised"},
    };
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        service.queue("GET", "/v1/relay/jobs/j-1/attachments/a-1",
                      jsonAnswer(200, Json{{"id", "a-1"},
                                           {"filename", "p.bin"},
                                           {"mimeType", "application/octet-stream"},
                                           {"sizeBytes", c.sizeBytes},
                                           {"dataBase64", c.dataBase64}}));
        if (c.failure.empty()) {
            EXPECT_EQ(run(brain->relayAttachmentBytes("j-1", "a-1")), (BrainClient::AttachmentBytes{"p.bin", tenBytes}));
        } else {
            EXPECT_EQ(failureOf(brain->relayAttachmentBytes("j-1", "a-1")), decodingPrefix + c.failure);
        }
    }
    service.queue("GET", "/v1/relay/jobs/j-1/attachments/a-1",
                  {200, R"({"id":"a-1","filename":"p.bin","sizeBytes":10,"dataBase64":"AAECAwQFBgcI/w=="})"});
    EXPECT_EQ(failureOf(brain->relayAttachmentBytes("j-1", "a-1")), decodingPrefix + R"("mimeType" is missing)");
}

TEST_F(RelayTest, AJobReportSendsOnlyTheMembersGiven) {
    const std::string longReason(301, 'x');
    struct Case {
        const char* name;
        bool ok;
        std::optional<std::string> failureReason, providerMessageId;
        Json body;
    };
    const Case cases[] = {
        {"sent", true, std::nullopt, std::nullopt, Json{{"ok", true}}},
        {"sent with id", true, std::nullopt, "p-7", Json{{"ok", true}, {"providerMessageId", "p-7"}}},
        {"failed silently", false, std::nullopt, std::nullopt, Json{{"ok", false}}},
        {"failed, empty reason", false, "", std::nullopt, Json{{"ok", false}, {"failureReason", ""}}},
        {"failed, long reason", false, longReason, std::nullopt,
         Json{{"ok", false}, {"failureReason", std::string(297, 'x') + "..."}}},
    };
    service.answer("POST", "/v1/relay/jobs/j-1/result", {204, ""});
    auto brain = client();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        run(brain->reportJob("j-1", c.ok, c.failureReason, c.providerMessageId));
        EXPECT_EQ(lastBodySent(), c.body);
    }
}

TEST(FitFailureReason, CutsAfterWholeCharactersOnly) {
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7"; // man, woman, girl
    auto repeated = [](const std::string& unit, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += unit;
        return text;
    };
    EXPECT_EQ(BrainClient::fitFailureReason(repeated("a", 300)), repeated("a", 300));
    EXPECT_EQ(BrainClient::fitFailureReason(repeated("a", 301)), repeated("a", 297) + "...");
    EXPECT_EQ(BrainClient::fitFailureReason(repeated(family, 300)), repeated(family, 300));
    const std::string cut = BrainClient::fitFailureReason(repeated(family, 301));
    EXPECT_EQ(cut, repeated(family, 297) + "...");
    EXPECT_EQ(tarvo::Text::graphemeCount(cut), 300u);
}
