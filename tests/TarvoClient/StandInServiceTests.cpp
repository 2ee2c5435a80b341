// The stand-in service must answer every call the companion makes in a form the companion's own
// clients read; these walk the real clients through it.

#include "ClientTest.h"

#include <variant>

#include "Support/ServiceRecord.h"
#include "Support/StandInService.h"
#include "Support/TemporaryFolder.h"
#include "TarvoClient/AccessTokenExpiry.h"
#include "TarvoClient/PairingClient.h"

namespace tarvo::testing {
namespace {

const Json job{{"id", "job-7"},
               {"channelKind", "imessage"},
               {"threadId", "thread-7"},
               {"conversationRef", "+15550100"},
               {"body", "On my way"},
               {"attachments", Json::array({Json{{"id", "file-1"},
                                                 {"filename", "plan.txt"},
                                                 {"mimeType", "text/plain"},
                                                 {"sizeBytes", 9},
                                                 {"data", "the plan\n"}}})},
               {"waitingSeconds", 2},
               {"attempts", 1}};

struct StandInServiceTest : ClientTest {
    TemporaryFolder folder;
    ServiceRecord record{folder / "record.jsonl"};

    std::string urlOf(const StandInService& service) const {
        return "http://127.0.0.1:" + std::to_string(service.port());
    }
};

TEST_F(StandInServiceTest, PairsAndAnswersEveryCallOfTheCompanionReadably) {
    const StandInService service(Json{{"relayJobs", Json::array({job})}}, record.path());
    const PairingClient pairing(urlOf(service), testIdentity, std::make_shared<CurlHttpTransport>());
    const PairingClient::Started started = run(pairing.start(Json::object()));
    const auto approved = std::get<PairingClient::Approved>(run(pairing.poll(started.deviceCode)));
    EXPECT_TRUE(accessTokenIsUsable(approved.accessToken, std::chrono::hours(24 * 365), loop.clock().date()));

    const auto brain = clientAt(urlOf(service), BrainClient::Credentials{approved.accessToken, approved.refreshToken,
                                                                         approved.deviceId});
    const HeartbeatResponse beat = run(brain->heartbeat({"imessage"}, std::nullopt, std::nullopt, std::nullopt,
                                                        std::nullopt, true, std::nullopt));
    EXPECT_EQ(beat.waitingJobs, 1);
    EXPECT_EQ(beat.channelIds->at("imessage"), "channel-imessage");

    const std::vector<RelayJob> jobs = run(brain->claimJobs(3));
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].files().at(0).sizeBytes, 9);
    EXPECT_EQ(run(brain->relayAttachmentBytes("job-7", "file-1")),
              (BrainClient::AttachmentBytes{"plan.txt", "the plan\n"}));
    EXPECT_TRUE(run(brain->claimJobs(3)).empty());
    EXPECT_EQ(failureOf(brain->reportJob("job-7", false, "It did not go.", std::nullopt)), "");

    const std::vector<AttachmentDecision> decisions = run(brain->ingest(
        "channel-imessage", "+15550100", "guid-1", "inbound", "Hello", loop.clock().date(), "+15550100", std::nullopt,
        std::nullopt, "direct", std::nullopt, false, {{"file-9", "a.jpeg", "image/jpeg", 3, std::nullopt, false, false,
                                                       std::nullopt}}));
    ASSERT_EQ(decisions.size(), 1u);
    EXPECT_EQ(decisions[0].externalId, "file-9");
    EXPECT_TRUE(decisions[0].wantBytes);
    EXPECT_EQ(failureOf(brain->uploadInboundAttachment(*decisions[0].id, "abc")), "");
    EXPECT_EQ(run(brain->send("POST", "/v1/ingest/message-events", R"({"channelId":"c","events":[]})",
                              "application/json", {}))
                  .status,
              200);
    EXPECT_EQ(run(brain->send("POST", "/api/auth/companion", std::nullopt, std::nullopt, {})).status, 200);
    EXPECT_NE(run(brain->renew()), approved.accessToken);
    EXPECT_EQ(run(brain->nextOperatorStep(0, std::nullopt, std::nullopt)).kind, "idle");
}

TEST_F(StandInServiceTest, RecordsEveryRequestAndAnswersAsScripted) {
    const StandInService service(
        Json{{"answers", Json::array({Json{{"method", "POST"},
                                           {"path", "/v1/relay/heartbeat"},
                                           {"status", 503},
                                           {"body", Json{{"code", "down"}, {"message", "Resting."}}}}})}},
        record.path());
    const auto brain = clientAt(urlOf(service));

    EXPECT_EQ(failureOf(brain->heartbeat({}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, true,
                                         std::nullopt)),
              BrainClient::Failure::http(503, "down", "Resting.").description());
    EXPECT_EQ(failureOf(brain->uploadInboundAttachment("upload-1", "abc")), "");

    const std::vector<Json> requests = record.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0]["method"], "POST");
    EXPECT_EQ(requests[0]["path"], "/v1/relay/heartbeat");
    EXPECT_EQ(requests[0]["headers"]["authorization"], "Bearer access-1");
    EXPECT_EQ(requests[0]["headers"]["x-tarvo-device"], "device-9");
    EXPECT_EQ(requests[0]["body"], (Json{{"channels", Json::array()}, {"blockedReason", nullptr},
                                         {"nudgeNotices", true}}));
    EXPECT_EQ(requests[0]["status"], 503);
    EXPECT_EQ(requests[1]["path"], "/v1/ingest/attachments/upload-1/bytes");
    EXPECT_EQ(requests[1]["body"], (Json{{"dataBase64", "YWJj"}}));
    EXPECT_GT(requests[0]["arrivedAtMicros"].get<std::int64_t>(), 0);
    EXPECT_LE(requests[0]["arrivedAtMicros"].get<std::int64_t>(), requests[1]["arrivedAtMicros"].get<std::int64_t>());
}

} // namespace
} // namespace tarvo::testing
