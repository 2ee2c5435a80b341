#include <chrono>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "TarvoCompanion/Operator/LinkTest.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;

TEST_F(LinkTest, PollsWithTheLiveRunAndTheReadyClassesAndStartsOnce) {
    settings->set(Json::parse(R"([{"runId": "r0", "by": "bar", "at": 0, "reported": false}])"), "TarvoOperatorStops");
    start();
    start();
    ASSERT_TRUE(settle([&] { return polls() == 1; }));
    idle();
    EXPECT_EQ(polls(), 1u);
    const RecordedRequest poll = service.requests("POST", nextPath).front();
    EXPECT_EQ(bodyOf(poll), Json::parse(R"({"wait": 25, "holding": null, "can": ["files", "screen", "act"]})"));
    EXPECT_EQ(poll.header("authorization"), "Bearer access-1");
    EXPECT_EQ(poll.header("x-tarvo-device"), "device-9");
    EXPECT_EQ(poll.header("x-tarvo-platform"), "macos");
}

TEST_F(LinkTest, AWakeWithTheSameClassesKeepsThePollAndAChangeOpensANewOne) {
    start();
    ASSERT_TRUE(settle([&] { return polls() == 1; }));

    link->wake->signal();
    idle();
    EXPECT_EQ(polls(), 1u) << "the same poll is raced again";

    // The wait starts again with the second race: 30 s after the wake, not after the poll.
    loop.advance(29s);
    idle();
    EXPECT_EQ(polls(), 1u);
    loop.advance(1s);
    ASSERT_TRUE(settle([&] { return polls() == 2; })) << "a poll unanswered for 30 s is adopted";

    caps->screenRecording = false;
    link->wake->signal();
    ASSERT_TRUE(settle([&] { return polls() == 3; }));
    EXPECT_EQ(bodyOf(service.requests("POST", nextPath).back())["can"], Json::parse(R"(["files"])"));
}

TEST_F(LinkTest, AStepOnAnAdoptedPollIsRunAndPostedAndItsOtherKindsLeaveTheRunAlone) {
    const auto first = std::make_shared<Gate>();
    const auto second = std::make_shared<Gate>();
    service.queue("POST", nextPath, ScriptedAnswer{.body = listApps("r1", "s1")});
    service.queue("POST", nextPath, ScriptedAnswer{.body = listApps("r1", "s2"), .gate = first});
    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "none", "liveRunId": "r9"})", .gate = second});
    service.answer("POST", "/v1/mac/operator/steps/s1/result", 200, R"({"accepted": true})");
    service.answer("POST", "/v1/mac/operator/steps/s2/result", 200, R"({"accepted": true})");
    start();
    ASSERT_TRUE(settle([&] { return polls() == 2; }));
    EXPECT_EQ(link->liveRunId(), "r1");
    EXPECT_EQ(bodyOf(service.requests("POST", nextPath).back())["holding"], "r1");

    loop.advance(30s);
    ASSERT_TRUE(settle([&] { return polls() == 3; }));
    loop.advance(30s);
    ASSERT_TRUE(settle([&] { return polls() == 4; }));

    first->open();
    ASSERT_TRUE(settle([&] { return results("s2").size() == 1; }));
    EXPECT_EQ(bodyOf(results("s2").front()), OperatorStepOutcome(OperatorStepOutcome::ListApps{}).wire());
    second->open();
    idle();
    EXPECT_EQ(link->liveRunId(), "r1") << "an adopted answer of another kind ends nothing";
    EXPECT_EQ(link->session().liveRunId(), "r1");
}

TEST_F(LinkTest, AnAnswerOfAnotherKindForAnotherLiveRunEndsTheRunInATurn) {
    service.queue("POST", nextPath, ScriptedAnswer{.body = listApps("r1", "s1")});
    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "none", "liveRunId": "r1"})"});
    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "none", "liveRunId": "r9"})"});
    service.answer("POST", "/v1/mac/operator/steps/s1/result", 200, R"({"accepted": true})");
    start();
    ASSERT_TRUE(settle([&] { return polls() == 4; }));
    EXPECT_EQ(link->liveRunId(), std::nullopt);
    EXPECT_EQ(link->session().liveRunId(), std::nullopt);
    EXPECT_TRUE(link->session().isStopped("r1"));
    EXPECT_FALSE(bar->shown);
    EXPECT_EQ(lines("operator run ended by"), std::vector<std::string>{"operator run ended by brain"});
    EXPECT_TRUE(link->stops().entries().empty()) << "the service's end is not reported back";
}

struct BackoffCase {
    int status;
    // The pauses after consecutive failures.
    std::vector<double> pauses;
};

void PrintTo(const BackoffCase& c, std::ostream* out) { *out << "status " << c.status; }

class PollBackoff : public LinkTest, public ::testing::WithParamInterface<BackoffCase> {};

TEST_P(PollBackoff, FailedPollsPauseByTheirStatusAndAnyAnswerResetsTheCount) {
    const BackoffCase& c = GetParam();
    for (std::size_t i = 0; i < c.pauses.size(); ++i) service.queue("POST", nextPath, c.status, "{}");
    service.queue("POST", nextPath, 200, R"({"kind": "none"})");
    service.queue("POST", nextPath, c.status, "{}");
    const auto failures = [&] { return lines("operator poll failed").size(); };
    start();
    ASSERT_TRUE(settle([&] { return polls() == 1; }));
    for (std::size_t i = 0; i < c.pauses.size(); ++i) {
        ASSERT_TRUE(settle([&] { return failures() == i + 1; }));
        loop.advance(std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(c.pauses[i])) - 1ms);
        idle();
        EXPECT_EQ(polls(), i + 1) << "pause " << i;
        loop.advance(1ms);
        // After the last pause the good answer may come, and the next poll go out, before the
        // count is looked at.
        ASSERT_TRUE(settle([&] { return polls() >= i + 2; })) << "pause " << i;
    }
    // The good answer is followed at once by the next poll, whose failure counts as the first.
    ASSERT_TRUE(settle([&] { return polls() == c.pauses.size() + 2 && failures() == c.pauses.size() + 1; }));
    loop.advance(std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(c.pauses[0])));
    ASSERT_TRUE(settle([&] { return polls() == c.pauses.size() + 3; }));
    EXPECT_EQ(lines("operator poll failed").back(), "operator poll failed, status " + std::to_string(c.status));
}

INSTANTIATE_TEST_SUITE_P(Statuses, PollBackoff,
                         ::testing::Values(BackoffCase{500, {0.5, 1.5, 3.0}}, BackoffCase{429, {30.0, 30.0}},
                                           BackoffCase{403, {60.0}}, BackoffCase{404, {60.0}}),
                         [](const ::testing::TestParamInfo<BackoffCase>& info) {
                             return "status" + std::to_string(info.param.status);
                         });

TEST_F(LinkTest, WithoutAClientOrReadinessNothingIsPolledAndAWakeAsksAgain) {
    withClient = false;
    start();
    idle();
    EXPECT_EQ(polls(), 0u);
    withClient = true;
    caps->accessibility = false;
    caps->screenRecording = false;
    caps->fullDiskAccess = false;
    link->wake->signal();
    idle();
    EXPECT_EQ(polls(), 0u) << "no class is ready";
    caps = readyCaps();
    loop.advance(15s);
    ASSERT_TRUE(settle([&] { return polls() == 1; }));
}

} // namespace
} // namespace tarvo::testing
