#include <chrono>

#include <gtest/gtest.h>

#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileSettingsStore.h"
#include "TarvoCompanion/Operator/LinkTest.h"
#include "TarvoCore/Operator/OperatorBackoff.h"

namespace tarvo::testing {
namespace {

using namespace std::chrono_literals;

struct StopTest : LinkTest {
    StopTest() { keepAwake = true; }

    // A run raised by its first step, the next poll left open.
    void raiseRun(const std::string& runId) {
        service.queue("POST", nextPath, ScriptedAnswer{.body = listApps(runId, "s-" + runId)});
        service.answer("POST", "/v1/mac/operator/steps/s-" + runId + "/result", 200, R"({"accepted": true})");
        const std::size_t before = polls();
        start();
        ASSERT_TRUE(settle([&] { return link->liveRunId() == runId && polls() == before + 2; }));
        ASSERT_TRUE(bar->shown);
        ASSERT_TRUE(key->held);
    }

    void recordStop(const std::string& runId, const std::string& by, std::chrono::seconds ago) {
        const Clock::Date at = loop.clock().date() - ago;
        link->stops().record(runId, by, at);
    }
};

struct StopCase {
    const char* name;
    const char* origin;
    // Whether the switch is still on afterwards.
    bool switchOn;
    std::function<void(StopTest&)> stop;
};

class LocalStops : public StopTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(LocalStops, EndTheRunLowerTheBarAndReportTheStop) {
    const StopCase& c = GetParam();
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    raiseRun("r1");
    c.stop(*this);
    ASSERT_TRUE(settle([&] { return stopReports("r1").size() == 1; })) << c.name;
    const Json sent = bodyOf(stopReports("r1").front());
    EXPECT_EQ(sent["by"], c.origin) << c.name;
    EXPECT_EQ(sent.size(), 1u) << c.name;
    EXPECT_EQ(link->session().liveRunId(), std::nullopt) << c.name;
    EXPECT_TRUE(link->session().isStopped("r1")) << c.name;
    const std::vector<OperatorStopLedger::Entry> entries = link->stops().entries();
    ASSERT_EQ(entries.size(), 1u) << c.name;
    EXPECT_EQ(entries[0].by, c.origin) << c.name;
    EXPECT_FALSE(bar->shown) << c.name;
    EXPECT_FALSE(key->held) << c.name;
    EXPECT_EQ(link->liveRunId(), std::nullopt) << c.name;
    EXPECT_EQ(link->sleepHold().reason(), c.switchOn ? std::optional(KeepAwakeReason::reachable) : std::nullopt)
        << c.name;
    ASSERT_TRUE(settle([&] { return link->stops().unreported().empty(); })) << c.name;
    EXPECT_EQ(lines("operator stop report"), std::vector<std::string>{"operator stop report heard, status 200"});
}

INSTANTIATE_TEST_SUITE_P(
    Origins, LocalStops,
    ::testing::Values(
        StopCase{"bar", "bar", true, [](StopTest& t) { t.bar->stop(); }},
        StopCase{"hotkey", "hotkey", true, [](StopTest& t) { t.key->press(); }},
        StopCase{"menu", "menu", true,
                 [](StopTest& t) {
                     // The menu's Stop, through what the link offers it.
                     const auto id = t.link->session().stop();
                     t.link->stops().record(*id, "menu", t.loop.clock().date());
                     t.link->lowerBar();
                     t.link->reportStops();
                 }},
        StopCase{"switch", "conditions", false,
                 [](StopTest& t) {
                     t.allowed = false;
                     t.caps->enabled = false;
                     t.link->stopBecauseSwitchedOff();
                 }},
        StopCase{"turn", "conditions", false,
                 [](StopTest& t) {
                     t.allowed = false;
                     t.caps->enabled = false;
                     t.link->wake->signal();
                 }}),
    [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

TEST_F(StopTest, AStopWithNothingLiveRecordsNothingButStillLowersAndReports) {
    link = makeLink();
    link->stopBecauseSwitchedOff();
    EXPECT_EQ(bar->hides, 0) << "switching off with nothing live does nothing";
    raiseRun("r1");
    // The run ended meanwhile, and the bar's Stop comes late.
    link->session().ended("r1");
    recordStop("r0", "bar", 10s);
    service.answer("POST", "/v1/mac/operator/runs/r0/stopped", 200, "{}");
    bar->stop();
    ASSERT_TRUE(settle([&] { return stopReports("r0").size() == 1; }));
    EXPECT_FALSE(bar->shown);
    EXPECT_FALSE(key->held);
    EXPECT_EQ(link->stops().entries().size(), 1u) << "no run was live, so none is recorded";
    EXPECT_EQ(lines("operator run ended by"), std::vector<std::string>{"operator run ended by bar"});
}

TEST_F(StopTest, TheServicesStopLowersTheBarOnlyForItsOwnRun) {
    service.queue("POST", nextPath, ScriptedAnswer{.body = listApps("r1", "s1")});
    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "stop", "runId": "r0"})"});
    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "stop"})"});
    service.answer("POST", "/v1/mac/operator/steps/s1/result", 200, R"({"accepted": true})");
    start();
    ASSERT_TRUE(settle([&] { return polls() == 4; }));
    EXPECT_TRUE(bar->shown);
    EXPECT_EQ(link->liveRunId(), "r1");
    EXPECT_TRUE(link->session().isStopped("r0"));

    service.queue("POST", nextPath, ScriptedAnswer{.body = R"({"kind": "stop", "runId": "r1"})"});
    loop.advance(30s);
    ASSERT_TRUE(settle([&] { return polls() == 6; }));
    EXPECT_FALSE(bar->shown);
    EXPECT_EQ(link->liveRunId(), std::nullopt);
    EXPECT_EQ(lines("operator run ended by"), std::vector<std::string>{"operator run ended by brain"});
    EXPECT_TRUE(link->stops().entries().empty());
}

TEST_F(StopTest, ANewLinkOverTheSameSettingsRefusesTheRunsStoppedBefore) {
    TemporaryFolder folder;
    settings = std::make_shared<FileSettingsStore>(folder.path());
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    raiseRun("r1");
    bar->stop();
    ASSERT_TRUE(settle([&] { return stopReports("r1").size() == 1; }));

    // The program starts again over the same settings file.
    settings = std::make_shared<FileSettingsStore>(folder.path());
    link = makeLink();
    service.queue("POST", nextPath, ScriptedAnswer{.body = listApps("r1", "s9")});
    service.answer("POST", "/v1/mac/operator/steps/s9/result", 200, R"({"accepted": true})");
    start();
    ASSERT_TRUE(settle([&] { return results("s9").size() == 1; }));
    EXPECT_EQ(bodyOf(results("s9").front()), OperatorStepOutcome::refused(OperatorSession::stoppedSentence).wire());
    EXPECT_EQ(bar->shows, 1) << "only the first run raised it";
    EXPECT_EQ(link->liveRunId(), std::nullopt);
}

struct ReportCase {
    int status;
    const char* outcome;
    // The pause before the same stop is sent again; none when it is marked reported.
    std::optional<double> retryAfter;
};

class StopReports : public StopTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(StopReports, AreMarkedOrTriedAgainByTheirStatus) {
    const ReportCase& c = GetParam();
    link = makeLink();
    recordStop("r1", "bar", 10s);
    service.queue("POST", "/v1/mac/operator/runs/r1/stopped", c.status, "{}");
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    start();
    ASSERT_TRUE(settle([&] { return lines("operator stop report").size() == 1; }));
    EXPECT_EQ(lines("operator stop report").front(),
              "operator stop report " + std::string(c.outcome) + ", status " + std::to_string(c.status));
    if (!c.retryAfter) {
        EXPECT_TRUE(link->stops().unreported().empty());
        idle();
        EXPECT_EQ(stopReports("r1").size(), 1u);
        return;
    }
    EXPECT_EQ(link->stops().unreported().size(), 1u);
    loop.advance(std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(*c.retryAfter)) - 1ms);
    idle();
    EXPECT_EQ(stopReports("r1").size(), 1u);
    loop.advance(1ms);
    ASSERT_TRUE(settle([&] { return link->stops().unreported().empty(); }));
    EXPECT_EQ(stopReports("r1").size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Statuses, StopReports,
                         ::testing::Values(ReportCase{200, "heard", std::nullopt},
                                           ReportCase{400, "moot", std::nullopt}, ReportCase{404, "moot", std::nullopt},
                                           ReportCase{409, "moot", std::nullopt}, ReportCase{410, "moot", std::nullopt},
                                           ReportCase{422, "moot", std::nullopt}, ReportCase{403, "retry", 60.0},
                                           ReportCase{429, "retry", 30.0}, ReportCase{500, "retry", 0.5}));

TEST_F(StopTest, ReportingRunsOnceAtATimeSkipsOldStopsAndPicksUpNewOnes) {
    link = makeLink();
    recordStop("old", "bar", 86401s);
    recordStop("r1", "hotkey", 10s);
    const auto gate = std::make_shared<Gate>();
    service.queue("POST", "/v1/mac/operator/runs/r1/stopped", ScriptedAnswer{.status = 500, .body = "{}", .gate = gate});
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    service.answer("POST", "/v1/mac/operator/runs/r2/stopped", 200, "{}");
    start();
    link->reportStops();
    ASSERT_TRUE(settle([&] { return stopReports("r1").size() == 1; }));
    link->reportStops();
    idle();
    EXPECT_EQ(stopReports("r1").size(), 1u) << "one reporter at a time";
    EXPECT_EQ(stopReports("old").size(), 0u);

    recordStop("r2", "menu", 0s);
    gate->open();
    ASSERT_TRUE(settle([&] { return lines("operator stop report").size() == 1; }));
    loop.advance(std::chrono::duration_cast<Clock::Duration>(OperatorBackoff::delay(1, 500, 0)));
    ASSERT_TRUE(settle([&] { return stopReports("r2").size() == 1 && link->stops().unreported().empty(); }));
    EXPECT_EQ(stopReports("r1").size(), 2u);
    EXPECT_EQ(stopReports("old").size(), 0u);
}

TEST_F(StopTest, WithoutAClientReportsWaitTheBackoffOfAHalf) {
    withClient = false;
    link = makeLink();
    recordStop("r1", "bar", 10s);
    service.answer("POST", "/v1/mac/operator/runs/r1/stopped", 200, "{}");
    start();
    idle();
    withClient = true;
    loop.advance(std::chrono::duration_cast<Clock::Duration>(OperatorBackoff::delay(1, 0, 0.5)) - 1ms);
    idle();
    EXPECT_EQ(stopReports("r1").size(), 0u);
    loop.advance(1ms);
    ASSERT_TRUE(settle([&] { return stopReports("r1").size() == 1; }));
}

TEST_F(StopTest, KeepAwakeFollowsTheSettingsAndChangesOnlyWhenWanted) {
    struct Case {
        bool setting, switchOn, signedIn;
        std::optional<bool> ac;
        std::optional<KeepAwakeReason> wanted;
    };
    const std::vector<Case> cases{
        {true, true, true, true, KeepAwakeReason::reachable}, {true, true, true, false, std::nullopt},
        {true, true, true, true, KeepAwakeReason::reachable}, {true, true, true, std::nullopt, std::nullopt},
        {false, true, true, true, std::nullopt},              {true, true, true, true, KeepAwakeReason::reachable},
        {true, false, true, true, std::nullopt},              {true, true, false, true, std::nullopt},
    };
    link = makeLink();
    start();
    for (const Case& c : cases) {
        keepAwake = c.setting;
        allowed = c.switchOn;
        signedIn = c.signedIn;
        caps->acPower = c.ac;
        link->refreshKeepAwake();
        const std::size_t logged = lines("operator keep awake").size();
        const int begun = holdsBegun;
        link->refreshKeepAwake();
        EXPECT_EQ(lines("operator keep awake").size(), logged) << "the same wish changes nothing";
        EXPECT_EQ(holdsBegun, begun);
        EXPECT_EQ(link->sleepHold().reason(), c.wanted);
        EXPECT_EQ(holdsBegun - holdsEnded, c.wanted ? 1 : 0);
    }
    EXPECT_EQ(holdsBegun, 3);
    EXPECT_EQ(lines("operator keep awake").size(), 6u);
}

} // namespace
} // namespace tarvo::testing
