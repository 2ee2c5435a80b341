#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Support/FakeService.h"
#include "Support/PendingPairing.h"
#include "Support/RefusingPort.h"
#include "Support/RunningProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/Json.h"

using tarvo::Json;
using tarvo::testing::answerPendingPairing;
using tarvo::testing::FakeService;
using tarvo::testing::RefusingPort;
using tarvo::testing::RunningProgram;
using tarvo::testing::TemporaryFolder;

namespace {

// The companion program in a home of its own, with the service at `apiURL` and no browser to
// open.
std::unique_ptr<RunningProgram> startCompanion(const TemporaryFolder& home, const std::string& apiURL,
                                               const std::vector<std::string>& arguments = {},
                                               const std::string& verbosity = "") {
    std::filesystem::create_directories(home / "config" / "tarvo");
    std::ofstream(home / "config" / "tarvo" / "settings.json") << Json{{"TarvoApiURL", apiURL}}.dump();
    std::map<std::string, std::string> environment{
        {"HOME", home.path().string()},
        {"XDG_CONFIG_HOME", (home / "config").string()},
        {"XDG_DATA_HOME", (home / "data").string()},
        {"XDG_RUNTIME_DIR", (home / "run").string()},
        {"PATH", home.path().string()},
    };
    if (!verbosity.empty()) environment["TARVO_LOG"] = verbosity;
    return std::make_unique<RunningProgram>(TARVO_COMPANION_EXECUTABLE, arguments, environment);
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
    answerPendingPairing(service);
    TemporaryFolder home;
    const auto companion = startCompanion(home, service.baseURL());

    const std::string address = "https://tarvo.example/pair?code=WXYZ-1234";
    ASSERT_TRUE(companion->waitFor("tarvo: to sign in, approve this computer at " + address +
                                   " — the page shows the code WXYZ-1234\n"))
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

TEST(CompanionProgram, AnswersItsUsageVersionAndRefusalsWithoutTouchingTheRunningCopy) {
    TemporaryFolder home;
    RefusingPort service;
    struct Case {
        std::vector<std::string> arguments;
        int exitStatus;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {{"status"}, 3, {"Tarvo is not running on this computer\n"}},
        {{"--help"}, 0, {"usage: tarvo-companion", "tarvo://", "pair", "status", "TarvoBaseURL", "TarvoApiURL",
                         "secrets.json"}},
        {{"--version"}, 0, {"tarvo-companion "}},
        {{"--frobnicate"}, 2, {"tarvo-companion: unknown option \"--frobnicate\" — see tarvo-companion --help\n"}},
        {{"whatsapp"}, 2, {"\"whatsapp\" is neither a command nor a tarvo:// link"}},
        {{"status", "now"}, 2, {"status takes no arguments"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        const auto answered = startCompanion(home, service.baseURL(), c.arguments);
        EXPECT_EQ(answered->exitStatus(), c.exitStatus) << answered->output();
        for (const std::string& text : c.says) EXPECT_NE(answered->output().find(text), std::string::npos) << answered->output();
        EXPECT_EQ(answered->output().find("started on"), std::string::npos) << answered->output();
    }

    const auto running = startCompanion(home, service.baseURL());
    ASSERT_TRUE(running->waitFor(") started on ")) << running->output();
    for (const Case& c : cases) {
        if (c.exitStatus != 2) continue;
        const auto refused = startCompanion(home, service.baseURL(), c.arguments);
        EXPECT_EQ(refused->exitStatus(), 2) << refused->output();
        const std::string said = refused->output();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    const auto asked = startCompanion(home, service.baseURL(), {"status"});
    EXPECT_EQ(asked->exitStatus(), 0) << asked->output();
    EXPECT_NE(asked->output().find("signed in: no, service " + service.baseURL()), std::string::npos)
        << asked->output();
    running->signal(SIGTERM);
    EXPECT_EQ(running->exitStatus(), 0) << running->output();
    for (const char* heard : {"tarvo: opening", "frobnicate", "whatsapp\""}) {
        EXPECT_EQ(running->output().find(heard), std::string::npos) << running->output();
    }
}

TEST(CompanionProgram, TarvoLogSetsHowMuchTheLogSaysInOneShapeOfLine) {
    RefusingPort service;
    const std::string unreachable = "tarvo: could not reach Tarvo to sign in — trying again at ";
    struct Case {
        std::string verbosity;
        bool saysWhatItDoes;
        std::string alsoSays;
    };
    const Case cases[] = {
        {"error", false, ""},
        {"info", true, ""},
        {"loud", true, "tarvo: TARVO_LOG is \"loud\", not error, info or debug — logging at info\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.verbosity);
        TemporaryFolder home;
        const auto companion = startCompanion(home, service.baseURL(), {}, c.verbosity);
        ASSERT_TRUE(companion->waitFor(unreachable)) << companion->output();
        companion->signal(SIGTERM);
        EXPECT_EQ(companion->exitStatus(), 0) << companion->output();
        const std::string output = companion->output();
        EXPECT_EQ(output.find(") started on ") != std::string::npos, c.saysWhatItDoes) << output;
        EXPECT_NE(output.find(c.alsoSays), std::string::npos) << output;
        std::istringstream lines(output);
        for (std::string line; std::getline(lines, line);) EXPECT_TRUE(line.starts_with("tarvo: ")) << line;
    }
}
