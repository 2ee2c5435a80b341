#include <chrono>

#include <gtest/gtest.h>

#include "TarvoCompanion/Operator/LinkTest.h"
#include "TarvoCore/Operator/OperatorExecutor.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;

using Outcome = OperatorStepOutcome;

struct StepTest : LinkTest {
    void serve(std::vector<std::string> answers) {
        for (std::string& answer : answers) service.queue("POST", nextPath, ScriptedAnswer{.body = std::move(answer)});
    }
    void accept(const std::string& stepId) {
        service.answer("POST", "/v1/mac/operator/steps/" + stepId + "/result", 200, R"({"accepted": true})");
    }
};

TEST_F(StepTest, AnAnswerWithoutRunOrStepIdIsIgnoredAndAnUnknownKindIsRefused) {
    serve({R"({"kind": "step", "stepId": "s1", "step": {"kind": "list_apps"}})",
           R"({"kind": "step", "runId": "r1", "step": {"kind": "list_apps"}})", step("r1", "s2", R"({"kind": "fly"})"),
           R"({"kind": "step", "runId": "r1", "stepId": "s3"})"});
    accept("s2");
    accept("s3");
    start();
    ASSERT_TRUE(settle([&] { return results("s2").size() == 1 && results("s3").size() == 1; }));
    const Json refusal = Outcome::refused(OperatorExecutor::unknownStepSentence).wire();
    EXPECT_EQ(bodyOf(results("s2").front()), refusal);
    EXPECT_EQ(bodyOf(results("s3").front()), refusal);
    EXPECT_EQ(results("s1").size(), 0u);
    EXPECT_EQ(lines("operator step").size(), 2u);
    EXPECT_EQ(lines("operator step").front().rfind("operator step refused in ", 0), 0u);
    EXPECT_EQ(link->session().liveRunId(), std::nullopt) << "no run begun";
    EXPECT_EQ(bar->shows, 0);
    EXPECT_EQ(link->generation(), 0);
}

TEST_F(StepTest, ANewRunRaisesTheBarOnceAndHoldsTheComputerAwake) {
    keepAwake = true;
    ports.apps->apps = {RunningApp{.name = "Notes", .bundleId = "org.notes", .pid = 41, .windowTitles = {}}};
    serve({listApps("r1", "s1"), listApps("r1", "s2")});
    accept("s1");
    accept("s2");
    start();
    ASSERT_TRUE(settle([&] { return results("s2").size() == 1; }));
    EXPECT_EQ(bodyOf(results("s1").front()), Outcome(Outcome::ListApps{ports.apps->apps}).wire());
    EXPECT_EQ(bar->shows, 1);
    EXPECT_EQ(key->grabs, 1);
    EXPECT_TRUE(key->held);
    EXPECT_EQ(link->liveRunId(), "r1");
    EXPECT_EQ(link->sleepHold().reason(), KeepAwakeReason::runLive);
    EXPECT_EQ(lines("operator keep awake"),
              (std::vector<std::string>{"operator keep awake reachable", "operator keep awake run_live"}));
    EXPECT_EQ(link->generation(), 2);
    EXPECT_EQ(lines("operator step done.list_apps in ").size(), 2u);
}

TEST_F(StepTest, AStepOfARunStoppedEarlierRaisesNothingAndIsRefused) {
    link = makeLink();
    link->session().begin("r0");
    link->session().stop();
    serve({listApps("r0", "s1")});
    accept("s1");
    start();
    ASSERT_TRUE(settle([&] { return results("s1").size() == 1; }));
    EXPECT_EQ(bodyOf(results("s1").front()), Outcome::refused(OperatorSession::stoppedSentence).wire());
    EXPECT_EQ(bar->shows, 0);
    EXPECT_EQ(link->liveRunId(), std::nullopt);
}

TEST_F(StepTest, AResultTheServiceCannotTakeIsFollowedByOneFailedPostAndOtherFailuresByNothing) {
    serve({listApps("r1", "s1"), listApps("r1", "s2")});
    service.queue("POST", "/v1/mac/operator/steps/s1/result", 413, R"({"error": "too_large"})");
    service.answer("POST", "/v1/mac/operator/steps/s1/result", 200, R"({"accepted": true})");
    service.answer("POST", "/v1/mac/operator/steps/s2/result", 500, "{}");
    start();
    ASSERT_TRUE(settle([&] { return results("s1").size() == 2 && results("s2").size() == 1 && polls() == 3; }));
    idle();
    EXPECT_EQ(bodyOf(results("s1")[0]), Outcome(Outcome::ListApps{}).wire());
    EXPECT_EQ(bodyOf(results("s1")[1]), Outcome::failed(LiveOperatorLink::notSentSentence).wire());
    EXPECT_EQ(results("s2").size(), 1u) << "no retry";
    EXPECT_EQ(lines("operator poll failed"), std::vector<std::string>{"operator poll failed, status 413"});
}

TEST_F(StepTest, AStepFoundNotOperableIsPostedThenTheRunStopsForTheConditions) {
    allowed = false;
    serve({listApps("r1", "s1")});
    accept("s1");
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    start();
    ASSERT_TRUE(settle([&] { return stopReports("r1").size() == 1; }));
    EXPECT_EQ(bodyOf(results("s1").front()), Outcome::refused(OperatorSession::notOperableSentence).wire());
    EXPECT_EQ(bodyOf(stopReports("r1").front()), Json::parse(R"({"by": "conditions"})"));
    EXPECT_FALSE(bar->shown);
    EXPECT_EQ(link->liveRunId(), std::nullopt);
    EXPECT_TRUE(link->session().isStopped("r1"));
}

TEST_F(StepTest, OnlyAScreenStepWakesASleepingDisplayAndRunsAfterTenChecks) {
    keepAwake = true;
    system->displaysAsleep = true;
    serve({step("r1", "s1", R"({"kind": "list_files", "query": "notes"})"), step("r1", "s2", R"({"kind": "look"})")});
    accept("s1");
    accept("s2");
    start();
    ASSERT_TRUE(settle([&] { return results("s1").size() == 1 && system->declarations == 1; }));
    EXPECT_EQ(system->displayReadings, 2) << "read once for each step, and the file step stops there";
    for (int check = 1; check <= 10; ++check) {
        idle();
        EXPECT_EQ(results("s2").size(), 0u);
        loop.advance(200ms);
        ASSERT_TRUE(settle([&] { return system->displayReadings == 2 + check; })) << check;
    }
    ASSERT_TRUE(settle([&] { return results("s2").size() == 1; }));
    EXPECT_EQ(system->displayReadings, 12);
    EXPECT_EQ(lines("operator display wake"),
              std::vector<std::string>{"operator display wake declared true, awake false"});
}

} // namespace
} // namespace tarvo::testing
