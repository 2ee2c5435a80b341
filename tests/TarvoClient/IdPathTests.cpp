#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Support/FakeService.h"
#include "TarvoClient/BrainClient.h"
#include "TarvoClient/ClientTest.h"

using tarvo::BrainClient;
using tarvo::Json;
using tarvo::testing::ClientTest;
using tarvo::testing::FakeService;

namespace {

using IdPathTest = ClientTest;

struct Endpoint {
    const char* name;
    // What the refusal calls the id.
    const char* what;
    std::string method;
    std::function<std::string(const std::string& segment)> target;
    // Runs the call with `id`; its outcome is judged through what reached the service.
    std::function<std::string(ClientTest&, std::shared_ptr<BrainClient>, const std::string& id)> call;
};

std::vector<Endpoint> endpoints() {
    return {
        {"report", "job id", "POST", [](const std::string& s) { return "/v1/relay/jobs/" + s + "/result"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->reportJob(id, true, std::nullopt, std::nullopt));
         }},
        {"fetch, job", "job id", "GET",
         [](const std::string& s) { return "/v1/relay/jobs/" + s + "/attachments/a-1"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->relayAttachmentBytes(id, "a-1"));
         }},
        {"fetch, attachment", "attachment id", "GET",
         [](const std::string& s) { return "/v1/relay/jobs/j-1/attachments/" + s; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->relayAttachmentBytes("j-1", id));
         }},
        {"upload", "attachment id", "POST", [](const std::string& s) { return "/v1/ingest/attachments/" + s + "/bytes"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->uploadInboundAttachment(id, "x"));
         }},
        {"step result", "step id", "POST",
         [](const std::string& s) { return "/v1/mac/operator/steps/" + s + "/result"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->postOperatorResult(id, Json::object()));
         }},
        {"run stopped", "run id", "POST", [](const std::string& s) { return "/v1/mac/operator/runs/" + s + "/stopped"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->postRunStopped(id, "bar"));
         }},
        {"permission mode", "device id", "PUT",
         [](const std::string& s) { return "/v1/mac/devices/" + s + "/permissions/mode"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->setPermissionMode(id, "ask"));
         }},
        {"file state", "step id", "GET", [](const std::string& s) { return "/v1/mac/operator/steps/" + s + "/file"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->operatorFileState(id));
         }},
        {"file chunk", "step id", "PUT", [](const std::string& s) { return "/v1/mac/operator/steps/" + s + "/file"; },
         [](ClientTest& t, std::shared_ptr<BrainClient> b, const std::string& id) {
             return t.failureOf(b->operatorFileChunk(id, 0, 1, "ab", "x"));
         }},
    };
}

} // namespace

TEST_F(IdPathTest, AnIdIsOnePathSegmentOrNoRequestAtAll) {
    const std::pair<std::string, std::string> sent[] = {
        {"job_1-A", "job_1-A"},
        {"a/b", "a%2Fb"},
        {"../claim", "..%2Fclaim"},
        {"a?b#c", "a%3Fb%23c"},
        {"50%", "50%25"},
        {"%2e%2e", "%252e%252e"},
        {"a b", "a%20b"},
        {"\xC3\xA9", "%C3%A9"},
        {"...", "..."},
    };
    const std::string refused[] = {".", "..", ""};
    FakeService wire;
    auto brain = clientAt(wire.baseURL());
    for (const auto& endpoint : endpoints()) {
        SCOPED_TRACE(endpoint.name);
        for (const auto& [id, segment] : sent) {
            SCOPED_TRACE(id);
            const std::size_t before = wire.requests().size();
            endpoint.call(*this, brain, id);
            auto requests = wire.requests();
            ASSERT_EQ(requests.size(), before + 1);
            EXPECT_EQ(requests.back().method, endpoint.method);
            EXPECT_EQ(requests.back().path, endpoint.target(segment));
        }
        for (const auto& id : refused) {
            SCOPED_TRACE("refused " + id);
            const std::size_t before = wire.requests().size();
            EXPECT_EQ(endpoint.call(*this, brain, id), "Could not reach Tarvo: the " + std::string(endpoint.what) +
                                                           " \"" + id + "\" cannot name a request path");
            EXPECT_EQ(wire.requests().size(), before);
        }
    }
}
