#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoDesign/Endpoints/TarvoEndpoint.h"

using tarvo::TarvoEndpoint;

namespace {

std::map<std::string, int> tally(auto column) {
    std::map<std::string, int> counts;
    for (const TarvoEndpoint endpoint : TarvoEndpoint::allCases()) ++counts[std::string(column(endpoint))];
    return counts;
}

std::vector<std::string> parametersOf(std::string_view template_) {
    std::vector<std::string> names;
    const std::string text(template_);
    const std::regex parameter(":([A-Za-z0-9]+)");
    for (auto match = std::sregex_iterator(text.begin(), text.end(), parameter); match != std::sregex_iterator(); ++match) {
        names.push_back((*match)[1]);
    }
    return names;
}

} // namespace

TEST(TarvoEndpoint, TheCompiledTableKeepsTheCatalogueShape) {
    const auto& cases = TarvoEndpoint::allCases();
    ASSERT_EQ(cases.size(), 363u);
    EXPECT_EQ(cases.front(), TarvoEndpoint::abandonRelayJob);
    EXPECT_EQ(cases.back(), TarvoEndpoint::webPushKey);
    for (std::size_t index = 1; index < cases.size(); ++index) {
        EXPECT_LT(cases[index - 1].rawValue(), cases[index].rawValue());
    }
    EXPECT_LT(TarvoEndpoint(TarvoEndpoint::adminWrongMe).rawValue(),
              TarvoEndpoint(TarvoEndpoint::apiAcknowledgeDelivery).rawValue());

    EXPECT_EQ(tally([](TarvoEndpoint endpoint) { return endpoint.method(); }),
              (std::map<std::string, int>{{"GET", 138}, {"POST", 169}, {"PUT", 21}, {"PATCH", 13}, {"DELETE", 22}}));
    EXPECT_EQ(tally([](TarvoEndpoint endpoint) { return endpoint.auth(); }),
              (std::map<std::string, int>{{"user", 266}, {"owner_admin", 55}, {"none", 22}, {"api_key", 17},
                                          {"connector", 2}, {"oauth_client", 1}}));
    const auto segments = tally([](TarvoEndpoint endpoint) {
        const std::string_view template_ = endpoint.template_();
        return template_.substr(1, template_.find('/', 1) - 1);
    });
    EXPECT_EQ(segments.size(), 50u);
    EXPECT_EQ(segments.at("admin"), 55);
    EXPECT_EQ(segments.at("brain"), 48);
    EXPECT_EQ(segments.at("mac"), 13);
    EXPECT_EQ(segments.at("relay"), 5);
    EXPECT_EQ(segments.at("feature-interest"), 1);

    const std::set<std::string> parameterNames{
        "threadId", "runId",     "sourceId",   "cardId",       "followUpId", "stepId",    "attachmentId", "channelId",
        "contactId", "turnId",   "documentId", "jobId",        "userId",     "commandId", "paneId",       "deviceId",
        "outboxId", "draftId",   "factId",     "chatId",       "keyId",      "messageId", "connectionId", "projectId",
        "itemId",   "view",      "campaignId", "token",        "index",      "holdId",    "heldId",       "day",
        "detailId", "environment", "eventId",  "domain",       "id",         "noteId",    "userCode",     "identityId",
        "seatId",   "sessionId", "taskId"};
    std::set<std::string> used;
    std::set<std::pair<std::string_view, std::string_view>> routes;
    int twoParameters = 0;
    const std::regex allowed("(/([a-z0-9-]+|:[A-Za-z0-9]+))+");
    for (const TarvoEndpoint endpoint : cases) {
        const std::vector<std::string> parameters = parametersOf(endpoint.template_());
        EXPECT_LE(parameters.size(), 2u) << endpoint.rawValue();
        twoParameters += parameters.size() == 2 ? 1 : 0;
        used.insert(parameters.begin(), parameters.end());
        EXPECT_TRUE(std::regex_match(std::string(endpoint.template_()), allowed)) << endpoint.template_();
        EXPECT_TRUE(routes.emplace(endpoint.template_(), endpoint.method()).second) << endpoint.rawValue();
    }
    EXPECT_EQ(twoParameters, 5);
    EXPECT_EQ(used, parameterNames);
}

TEST(TarvoEndpoint, RefusalsKeepTheCatalogueCounts) {
    std::map<std::string, int> uses;
    int entries = 0;
    int withoutRefusals = 0;
    std::size_t most = 0;
    for (const TarvoEndpoint endpoint : TarvoEndpoint::allCases()) {
        const auto refusals = endpoint.refusalList();
        entries += static_cast<int>(refusals.size());
        withoutRefusals += refusals.empty() ? 1 : 0;
        most = std::max(most, refusals.size());
        EXPECT_EQ(endpoint.refusals().size(), refusals.size()) << endpoint.rawValue() << " repeats a code";
        for (const auto& refusal : refusals) {
            ++uses[std::string(refusal.code)];
            EXPECT_FALSE(refusal.sentence.empty()) << endpoint.rawValue() << " " << refusal.code;
        }
    }
    EXPECT_EQ(entries, 816);
    EXPECT_EQ(uses.size(), 203u);
    EXPECT_EQ(withoutRefusals, 50);
    EXPECT_EQ(most, 27u);
    const std::map<std::string, int> mostUsed{{"not_found", 192},  {"bad_request", 109},
                                              {"owner_totp_required", 52}, {"unauthorized", 43},
                                              {"rate_limited", 33}, {"brain_requires_paid_plan", 21},
                                              {"missing_scope", 17}};
    for (const auto& [code, count] : uses) {
        const auto wanted = mostUsed.find(code);
        if (wanted != mostUsed.end()) {
            EXPECT_EQ(count, wanted->second) << code;
        } else {
            EXPECT_LT(count, 17) << code;
        }
    }
}

TEST(TarvoEndpoint, TheCompanionsEndpointsAsTheServiceDescribesThem) {
    struct Row {
        TarvoEndpoint endpoint;
        std::string method;
        std::string template_;
        std::string auth;
        std::vector<std::string> codes;
    };
    for (const Row& row : std::initializer_list<Row>{
        {TarvoEndpoint::startPairing, "POST", "/devices/pair/start", "none", {"rate_limited"}},
        {TarvoEndpoint::pollPairing, "POST", "/devices/pair/poll", "none", {"rate_limited"}},
        {TarvoEndpoint::pendingPairing, "GET", "/devices/pair/:userCode", "user", {"not_found", "expired", "already_decided"}},
        {TarvoEndpoint::decidePairing, "POST", "/devices/pair/decide", "user", {"not_found", "expired", "already_decided"}},
        {TarvoEndpoint::registerDevice, "POST", "/devices/register", "user", {"client_too_old"}},
        {TarvoEndpoint::refreshSession, "POST", "/auth/refresh", "none", {"invalid_token", "reuse_detected"}},
        {TarvoEndpoint::panelSession, "POST", "/auth/panel-session", "user", {"unknown_device", "not_this_device"}},
        {TarvoEndpoint::relayHeartbeat, "POST", "/relay/heartbeat", "user", {"unknown_device"}},
        {TarvoEndpoint::claimRelayJobs, "POST", "/relay/jobs/claim", "user", {"unknown_device", "no_capabilities"}},
        {TarvoEndpoint::relayAttachmentBytes, "GET", "/relay/jobs/:jobId/attachments/:attachmentId", "user", {"unknown_device", "not_found"}},
        {TarvoEndpoint::reportRelayJob, "POST", "/relay/jobs/:jobId/result", "user", {"not_found", "reason_required"}},
        {TarvoEndpoint::abandonRelayJob, "POST", "/relay/jobs/:jobId/abandon", "user", {"not_found", "already_started"}},
        {TarvoEndpoint::ingest, "POST", "/ingest", "connector", {"channel_disabled", "channel_on_another_device", "channel_served_by_robot", "duplicate"}},
        {TarvoEndpoint::uploadInboundAttachment, "POST", "/ingest/attachments/:attachmentId/bytes", "connector", {"not_found", "too_large", "not_retained"}},
        {TarvoEndpoint::ingestMessageEvents, "POST", "/ingest/message-events", "user", {"not_found"}},
        {TarvoEndpoint::uploadOutgoingFile, "POST", "/attachments", "user", {"too_large", "channel_cannot_attach", "not_found"}},
        {TarvoEndpoint::macOperatorNext, "POST", "/mac/operator/next", "user", {"not_this_mac"}},
        {TarvoEndpoint::macOperatorStepResult, "POST", "/mac/operator/steps/:stepId/result", "user", {"not_this_mac", "not_found", "bad_request"}},
        {TarvoEndpoint::macOperatorStepFile, "PUT", "/mac/operator/steps/:stepId/file", "user", {"not_this_mac", "not_found", "wrong_offset", "bad_request", "payload_too_large"}},
        {TarvoEndpoint::macOperatorStepFileState, "GET", "/mac/operator/steps/:stepId/file", "user", {"not_this_mac", "not_found"}},
        {TarvoEndpoint::macOperatorRunStopped, "POST", "/mac/operator/runs/:runId/stopped", "user", {"not_this_mac", "not_found"}},
        {TarvoEndpoint::getMacPermissions, "GET", "/mac/devices/:deviceId/permissions", "user", {"not_found"}},
        {TarvoEndpoint::setMacPermissionMode, "PUT", "/mac/devices/:deviceId/permissions/mode", "user", {"not_found", "mode_needs_your_screen"}},
        {TarvoEndpoint::mcp, "POST", "/mcp", "oauth_client", {"unauthorized", "rate_limited"}},
         }) {
        EXPECT_EQ(row.endpoint.method(), row.method) << row.endpoint.rawValue();
        EXPECT_EQ(row.endpoint.template_(), row.template_) << row.endpoint.rawValue();
        EXPECT_EQ(row.endpoint.auth(), row.auth) << row.endpoint.rawValue();
        std::vector<std::string> codes;
        for (const auto& refusal : row.endpoint.refusalList()) codes.emplace_back(refusal.code);
        EXPECT_EQ(codes, row.codes) << row.endpoint.rawValue();
    }
    const TarvoEndpoint attachmentBytes = TarvoEndpoint::relayAttachmentBytes;
    EXPECT_EQ(attachmentBytes.refusals().at("not_found"),
              "No such file on a job this target currently holds. A job it never claimed, a job it has already "
              "reported, and a file belonging to a different send all answer the same way.");
    EXPECT_EQ(TarvoEndpoint(TarvoEndpoint::decidePairing).refusals().at("expired"),
              "That code has expired. Ask the app for a new one.");
    const std::string screen = TarvoEndpoint(TarvoEndpoint::setMacPermissionMode).refusals().at("mode_needs_your_screen");
    EXPECT_NE(screen.find("press"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("://"), std::string::npos) << "names no address: " << screen;
    EXPECT_EQ(screen.find("www."), std::string::npos) << "names no address: " << screen;
}

TEST(TarvoEndpoint, RefusalsAreANewDictionaryEachTime) {
    EXPECT_TRUE(TarvoEndpoint(TarvoEndpoint::listDevices).refusals().empty());
    const TarvoEndpoint refresh = TarvoEndpoint::refreshSession;
    auto first = refresh.refusals();
    EXPECT_EQ(first.size(), 2u);
    EXPECT_TRUE(first.contains("invalid_token") && first.contains("reuse_detected"));
    first.clear();
    EXPECT_EQ(refresh.refusals().size(), 2u);
}

TEST(TarvoEndpoint, PathsEncodeEveryValueIntoItsOwnSegment) {
    struct Case {
        TarvoEndpoint endpoint;
        TarvoEndpoint::Parameters parameters;
        std::string path;
    };
    for (const Case& c : std::initializer_list<Case>{
             {TarvoEndpoint::relayAttachmentBytes, {{"jobId", "a b"}, {"attachmentId", "x/y"}},
              "/relay/jobs/a%20b/attachments/x%2Fy"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "Az09-._~"}}, "/relay/jobs/Az09-._~/result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "caf\xC3\xA9"}}, "/relay/jobs/caf\xC3\xA9/result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "100%"}}, "/relay/jobs/100%25/result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "a?b#c"}}, "/relay/jobs/a%3Fb%23c/result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "7"}, {"stepId", "ignored"}}, "/relay/jobs/7/result"},
             {TarvoEndpoint::claimRelayJobs, {{"jobId", "7"}}, "/relay/jobs/claim"},
             {TarvoEndpoint::relayHeartbeat, {}, "/relay/heartbeat"},
             {TarvoEndpoint::relayAttachmentBytes, {{"jobId", "."}, {"attachmentId", ".."}},
              "/relay/jobs/%2E/attachments/%2E%2E"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "..."}}, "/relay/jobs/.../result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", ""}}, "/relay/jobs//result"},
             {TarvoEndpoint::reportRelayJob, {{"jobId", "a\xFF/\xC0\xAF"}}, "/relay/jobs/a%FF%2F%C0%AF/result"},
         }) {
        EXPECT_EQ(c.endpoint.path(c.parameters), c.path);
    }
    EXPECT_EQ(TarvoEndpoint(TarvoEndpoint::relayHeartbeat).route({}), "v1/relay/heartbeat");
    EXPECT_EQ(TarvoEndpoint(TarvoEndpoint::claimRelayJobs).route({}), "v1/relay/jobs/claim");
    EXPECT_EQ(TarvoEndpoint(TarvoEndpoint::macOperatorStepResult).route({{"stepId", "s/1"}}),
              "v1/mac/operator/steps/s%2F1/result");
}

TEST(TarvoEndpoint, APathWithAParameterLeftUnfilledIsNeverMade) {
    const TarvoEndpoint attachmentBytes = TarvoEndpoint::relayAttachmentBytes;
    EXPECT_THROW(attachmentBytes.path({{"jobId", "7"}}), std::invalid_argument);
    EXPECT_THROW(attachmentBytes.route({{"JobId", "7"}, {"attachmentId", "1"}}), std::invalid_argument);
}

TEST(TarvoEndpoint, NamesAreTheCasesExactly) {
    EXPECT_EQ(TarvoEndpoint::fromRawValue("claimRelayJobs"), TarvoEndpoint(TarvoEndpoint::claimRelayJobs));
    EXPECT_EQ(TarvoEndpoint::fromRawValue("ClaimRelayJobs"), std::nullopt);
    EXPECT_EQ(TarvoEndpoint::fromRawValue(""), std::nullopt);
    EXPECT_EQ(TarvoEndpoint::fromRawValue("zzz"), std::nullopt);
    std::unordered_set<TarvoEndpoint> distinct;
    for (const TarvoEndpoint endpoint : TarvoEndpoint::allCases()) {
        EXPECT_EQ(TarvoEndpoint::fromRawValue(endpoint.rawValue()), endpoint);
        distinct.insert(endpoint);
    }
    EXPECT_EQ(distinct.size(), 363u);
}
