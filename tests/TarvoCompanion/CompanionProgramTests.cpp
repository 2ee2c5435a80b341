#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Support/FakeService.h"
#include "Support/RefusingPort.h"
#include "Support/RunningProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"

using tarvo::Json;
using tarvo::testing::FakeService;
using tarvo::testing::RefusingPort;
using tarvo::testing::RunningProgram;
using tarvo::testing::TemporaryFolder;

namespace {

// The companion program in a home of its own, with the service at `apiURL` and no browser to
// open.
std::unique_ptr<RunningProgram> startCompanion(const TemporaryFolder& home, const std::string& apiURL,
                                               const std::vector<std::string>& arguments = {}) {
    std::filesystem::create_directories(home / "config" / "tarvo");
    std::ofstream(home / "config" / "tarvo" / "settings.json") << Json{{"TarvoApiURL", apiURL}}.dump();
    return std::make_unique<RunningProgram>(TARVO_COMPANION_EXECUTABLE, arguments,
                                            std::map<std::string, std::string>{
                                                {"HOME", home.path().string()},
                                                {"XDG_CONFIG_HOME", (home / "config").string()},
                                                {"XDG_DATA_HOME", (home / "data").string()},
                                                {"XDG_RUNTIME_DIR", (home / "run").string()},
                                                {"PATH", home.path().string()},
                                            });
}

} // namespace

TEST(CompanionProgram, RunsUntilInterruptedOrTerminatedThenExitsCleanly) {
    for (const auto& [number, name] : {std::pair{SIGTERM, "SIGTERM"}, std::pair{SIGINT, "SIGINT"}}) {
        SCOPED_TRACE(name);
        TemporaryFolder home;
        RefusingPort service;
        const auto companion = startCompanion(home, service.baseURL());
        ASSERT_TRUE(companion->waitFor(") started on ")) << companion->output();

        companion->signal(number);

        EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
        EXPECT_NE(companion->output().find(std::string("tarvo: ") + name + " received — stopping"), std::string::npos)
            << companion->output();
    }
}

TEST(CompanionProgram, StartedWithoutTokensItBeginsASignInAndLogsTheAddressToOpen) {
    FakeService service;
    service.answerJson("POST", "/v1/devices/pair/start", 200,
                       Json{{"userCode", "WXYZ-1234"},
                            {"deviceCode", "device-code-1"},
                            {"verificationUrl", "https://tarvo.example/pair"},
                            {"expiresInSeconds", 900},
                            {"intervalSeconds", 5}});
    service.answerJson("POST", "/v1/devices/pair/poll", 200, Json{{"status", "pending"}});
    TemporaryFolder home;
    const auto companion = startCompanion(home, service.baseURL());

    const std::string address = "https://tarvo.example/pair?code=WXYZ-1234";
    ASSERT_TRUE(companion->waitFor("tarvo: waiting for this Mac to be approved at " + address + "\n"))
        << companion->output();
    ASSERT_TRUE(companion->waitFor("tarvo: found no xdg-open to show a web page with — open " + address + " by hand"))
        << companion->output();
    companion->signal(SIGTERM);
    EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
}

TEST(CompanionProgram, OfTwoCopiesStartedAtOnceExactlyOneRunsAndHearsTheOthersLink) {
    const std::string started = ") started on ";
    const std::string handedOver = "tarvo: Tarvo is running already — handed it over to that copy";
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        TemporaryFolder home;
        RefusingPort service;
        std::unique_ptr<RunningProgram> copies[] = {
            startCompanion(home, service.baseURL(), {"tarvo://one"}),
            startCompanion(home, service.baseURL(), {"tarvo://two"}),
        };
        const auto first = copies[0]->waitForAny({started, handedOver});
        const auto second = copies[1]->waitForAny({started, handedOver});
        ASSERT_TRUE(first && second) << copies[0]->output() << copies[1]->output();
        ASSERT_NE(*first, *second) << copies[0]->output() << copies[1]->output();
        RunningProgram& running = *first == 0 ? *copies[0] : *copies[1];
        RunningProgram& later = *first == 0 ? *copies[1] : *copies[0];
        const std::string laterLink = *first == 0 ? "tarvo://two" : "tarvo://one";

        EXPECT_EQ(later.exitStatus(), 0) << later.output();
        EXPECT_EQ(later.output().find(started), std::string::npos) << later.output();
        EXPECT_TRUE(running.waitFor("tarvo: opening " + laterLink + " (route \"" + laterLink.substr(8) + "\")"))
            << running.output();
        running.signal(SIGTERM);
        EXPECT_EQ(running.exitStatus(), 0) << running.output();
    }
}

TEST(CompanionProgram, ARelaunchedCopyWaitsForTheRunningOneToEndAndThenRuns) {
    TemporaryFolder home;
    RefusingPort service;
    const auto running = startCompanion(home, service.baseURL());
    ASSERT_TRUE(running->waitFor(") started on ")) << running->output();

    // The running copy stays until the relaunched one has found it there: one that handed itself
    // over instead would have done so at that moment, and ended.
    const auto relaunched = startCompanion(home, service.baseURL(), {"--relaunched"});
    ASSERT_TRUE(relaunched->waitFor("tarvo: waiting for the copy of Tarvo that relaunched this one to end\n"))
        << relaunched->output();
    running->signal(SIGTERM);

    EXPECT_EQ(running->exitStatus(), 0) << running->output();
    EXPECT_TRUE(relaunched->waitFor(") started on ")) << relaunched->output();
    relaunched->signal(SIGTERM);
    EXPECT_EQ(relaunched->exitStatus(), 0) << relaunched->output();
    EXPECT_EQ(relaunched->output().find("handed it over"), std::string::npos) << relaunched->output();
}
