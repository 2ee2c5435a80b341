#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Platform/LinuxProcessRunner.h"
#include "Support/StandInProgram.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"

using namespace std::chrono_literals;
using tarvo::LinuxProcessRunner;
using tarvo::ProcessRunner;
using tarvo::testing::TemporaryFolder;
using tarvo::FileDescriptor;
using tarvo::testing::writeStandIn;

namespace {

class LinuxProcessRunnerTest : public ::testing::Test {
protected:
    ProcessRunner::Result run(const std::string& body, std::vector<std::string> arguments,
                              std::chrono::nanoseconds timeout = 20s) {
        return tarvo::runUntilDone(loop, runner.run(writeStandIn(folder / "stand-in", body), arguments, timeout));
    }

    TemporaryFolder folder;
    tarvo::RunLoop loop;
    LinuxProcessRunner runner;
};

} // namespace

TEST_F(LinuxProcessRunnerTest, ArgumentsArriveAsWrittenAndTheOutputsComeBackApart) {
    const std::vector<std::string> arguments{"two words", "$(touch x); rm -rf y", "'single' \"double\"", "",
                                             "line\nbreak"};
    // `cat` would wait for ever on anything but an empty standard input.
    const auto result = run("for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"
                            "cat\n"
                            "printf 'to error' >&2\n"
                            "exit 7",
                            arguments);
    EXPECT_EQ(result.standardOutput, "[two words]\n[$(touch x); rm -rf y]\n['single' \"double\"]\n[]\n[line\nbreak]\n");
    EXPECT_EQ(result.standardError, "to error");
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_EQ(result.signal, std::nullopt);
    EXPECT_FALSE(result.timedOut);
}

TEST_F(LinuxProcessRunnerTest, OutputsLargerThanAPipeHoldsAreReadWhileTheChildRuns) {
    const auto result = run("head -c 204800 /dev/zero | tr '\\0' o\n"
                            "head -c 204800 /dev/zero | tr '\\0' e >&2\n"
                            "exit 3",
                            {});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.standardOutput, std::string(204800, 'o'));
    EXPECT_EQ(result.standardError, std::string(204800, 'e'));
}

TEST_F(LinuxProcessRunnerTest, TheEndIsSeenWhileSomethingItStartedStillHoldsThePipes) {
    const auto result = run("sleep 30 &\necho $!\nexit 0", {}, 5s);
    const pid_t sleeper = std::stoi(result.standardOutput);
    ASSERT_GT(sleeper, 1);
    ::kill(sleeper, SIGKILL);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
}

TEST_F(LinuxProcessRunnerTest, PastItsTimeOutAChildIsAskedToStopThenKilled) {
    struct Case {
        const char* name;
        std::string body;
        int endedBy;
        std::string standardError;
    };
    const Case cases[] = {
        {"stops when asked", "echo started\nexec sleep 30", SIGTERM, ""},
        {"ignores the request", "trap 'echo asked to stop >&2' TERM\necho started\nwhile :; do :; done", SIGKILL,
         "asked to stop\n"},
    };
    for (const Case& c : cases) {
        const auto result = run(c.body, {}, 1s);
        EXPECT_TRUE(result.timedOut) << c.name;
        EXPECT_EQ(result.signal, c.endedBy) << c.name;
        EXPECT_EQ(result.exitCode, std::nullopt) << c.name;
        EXPECT_EQ(result.standardOutput, "started\n") << c.name;
        EXPECT_EQ(result.standardError, c.standardError) << c.name;
    }
}

TEST_F(LinuxProcessRunnerTest, WhatCannotStartIsAnErrorNamingTheExecutable) {
    const std::string notExecutable = (folder / "plain-file").string();
    writeStandIn(notExecutable, "exit 0");
    ::chmod(notExecutable.c_str(), 0600);
    const std::string standIn = writeStandIn(folder / "fine", "exit 0");
    struct Case {
        std::string executable;
        std::vector<std::string> arguments;
        int error;
    };
    const Case cases[] = {
        {"/nonexistent/osascript", {}, ENOENT},
        {notExecutable, {}, EACCES},
        {standIn, {std::string("cut\0short", 9)}, EINVAL},
    };
    for (const Case& c : cases) {
        const std::string expected = (c.error == ENOENT ? c.executable + " is not on this computer"
                                                         : "could not start " + c.executable) +
                                     ": " + std::strerror(c.error);
        try {
            tarvo::runUntilDone(loop, runner.run(c.executable, c.arguments, 5s));
            ADD_FAILURE() << c.executable << " ran";
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), c.error);
            EXPECT_EQ(std::string(error.what()), expected);
        }
        try {
            runner.launchDetached(c.executable, c.arguments);
            ADD_FAILURE() << c.executable << " was started";
        } catch (const std::system_error& error) {
            EXPECT_EQ(std::string(error.what()), expected);
        }
    }
}

TEST_F(LinuxProcessRunnerTest, ADetachedChildRunsOnInASessionOfItsOwn) {
    const std::string fifo = (folder / "report").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const FileDescriptor report(::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_GE(report.get(), 0);
    const std::string standIn = writeStandIn(folder / "stand-in",
                                             "printf '%s|%s|%s|%s' \"$1\" $$ \"$(cut -d' ' -f6 /proc/$$/stat)\" "
                                             "\"$(readlink /proc/$$/fd/0)\" > \"$2\"");

    runner.launchDetached(standIn, {"a $(b) c", fifo});

    pollfd waiting{report.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 20000), 1);
    std::string line(256, '\0');
    const ssize_t got = ::read(report.get(), line.data(), line.size());
    ASSERT_GT(got, 0);
    line.resize(static_cast<std::size_t>(got));
    const auto first = line.find('|');
    const auto second = line.find('|', first + 1);
    const auto third = line.find('|', second + 1);
    ASSERT_NE(third, std::string::npos) << line;
    EXPECT_EQ(line.substr(0, first), "a $(b) c");
    EXPECT_EQ(line.substr(first + 1, second - first - 1), line.substr(second + 1, third - second - 1))
        << "its process id is its session id";
    EXPECT_EQ(line.substr(third + 1), "/dev/null");
}
