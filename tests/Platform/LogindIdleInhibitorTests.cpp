#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include <signal.h>

#include "Platform/LogindIdleInhibitor.h"
#include "Support/CapturedPlainLog.h"
#include "Support/TemporaryFolder.h"

using namespace tarvo;
namespace fs = std::filesystem;

namespace {

// Stands in for systemd-inhibit: notes its pid and arguments, then runs the command it was given
// the way the real one does, with the input it was given.
struct StandIn {
    tarvo::testing::TemporaryFolder folder;
    fs::path program = folder / "inhibit";

    StandIn() {
        std::ofstream(program) << "#!/bin/sh\n"
                                  "printf '%s\\n' \"$@\" > \"" << (folder / "args").string() << "-$$\"\n"
                                  "echo $$ >> \"" << (folder / "pids").string() << "\"\n"
                                  "exec \"$5\"\n";
        fs::permissions(program, fs::perms::owner_all);
    }

    std::vector<pid_t> pids() const {
        std::vector<pid_t> pids;
        std::ifstream file(folder / "pids");
        for (pid_t pid; file >> pid;) pids.push_back(pid);
        return pids;
    }

    std::vector<std::string> arguments(pid_t pid) const {
        std::vector<std::string> lines;
        std::ifstream file(folder / ("args-" + std::to_string(pid)));
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        return lines;
    }
};

bool isGone(pid_t pid) { return kill(pid, 0) == -1 && errno == ESRCH; }

} // namespace

TEST(LogindIdleInhibitor, AHoldRunsTheInhibitorUntilItEnds) {
    StandIn standIn;
    LogindIdleInhibitor inhibitor(true, standIn.program.string());
    const auto assertion = inhibitor.begin("Tarvo keeps this Mac awake while it works for you");
    ASSERT_TRUE(assertion.has_value());
    inhibitor.end(*assertion);

    const auto pids = standIn.pids();
    ASSERT_EQ(pids.size(), 1u);
    EXPECT_TRUE(isGone(pids[0])) << "ending a hold ends and reaps its inhibitor";
    EXPECT_EQ(standIn.arguments(pids[0]), (std::vector<std::string>{"--what=idle", "--who=Tarvo",
                                                                     "--why=Tarvo keeps this Mac awake while it works for you",
                                                                     "--mode=block", "cat"}));
    inhibitor.end(*assertion);
}

TEST(LogindIdleInhibitor, HoldsStillTakenEndWithTheInhibitor) {
    StandIn standIn;
    {
        LogindIdleInhibitor inhibitor(true, standIn.program.string());
        const auto first = inhibitor.begin("one");
        const auto second = inhibitor.begin("two");
        ASSERT_TRUE(first && second);
        EXPECT_NE(*first, *second);
    }
    const auto pids = standIn.pids();
    ASSERT_EQ(pids.size(), 2u);
    for (const pid_t pid : pids) EXPECT_TRUE(isGone(pid));
}

TEST(LogindIdleInhibitor, WithoutLogindAHoldHoldsNothingAndSaysSo) {
    tarvo::testing::CapturedPlainLog log;
    LogindIdleInhibitor withoutLogind(false, "/nonexistent/systemd-inhibit");
    const auto assertion = withoutLogind.begin("name");
    EXPECT_TRUE(assertion.has_value());
    withoutLogind.end(*assertion);

    LogindIdleInhibitor missingProgram(true, "/nonexistent/systemd-inhibit");
    EXPECT_EQ(missingProgram.begin("name"), std::nullopt);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "tarvo: keep awake: logind does not run here, so nothing holds this computer awake",
                               "tarvo: keep awake: /nonexistent/systemd-inhibit did not start (No such file or directory)",
                           }));
}

TEST(LogindIdleInhibitor, LogindRunsWhereSystemdManagesTheSystem) {
    tarvo::testing::TemporaryFolder run;
    EXPECT_FALSE(LogindIdleInhibitor::logindRunsHere(run.path()));
    fs::create_directories(run / "systemd/system");
    EXPECT_TRUE(LogindIdleInhibitor::logindRunsHere(run.path()));
}
