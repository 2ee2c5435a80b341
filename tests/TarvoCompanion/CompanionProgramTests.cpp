#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Support/FakeService.h"
#include "Support/RefusingPort.h"
#include "Support/TemporaryFolder.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/Json.h"

extern char** environ;

using tarvo::Json;
using tarvo::testing::FakeService;
using tarvo::testing::RefusingPort;
using tarvo::testing::TemporaryFolder;
using tarvo::FileDescriptor;

namespace {

// The companion program as a child process in a home of its own, with the service at `apiURL`
// and no browser to open, its standard error on a pipe.
class RunningCompanion {
public:
    RunningCompanion(const TemporaryFolder& home, const std::string& apiURL) {
        std::filesystem::create_directories(home / "config" / "tarvo");
        std::ofstream(home / "config" / "tarvo" / "settings.json") << Json{{"TarvoApiURL", apiURL}}.dump();
        std::vector<std::string> variables{"HOME=" + home.path().string(),
                                           "XDG_CONFIG_HOME=" + (home / "config").string(),
                                           "XDG_DATA_HOME=" + (home / "data").string(), "PATH=" + home.path().string()};
        for (char** variable = environ; *variable; ++variable) {
            const std::string text(*variable);
            const bool replaced = text.starts_with("HOME=") || text.starts_with("XDG_CONFIG_HOME=") ||
                                  text.starts_with("XDG_DATA_HOME=") || text.starts_with("PATH=");
            if (!replaced) variables.push_back(text);
        }
        std::vector<char*> envp;
        for (auto& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);

        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
        errors_ = FileDescriptor(ends[0]);
        FileDescriptor writeEnd(ends[1]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDERR_FILENO);
        std::string program = TARVO_COMPANION_EXECUTABLE;
        char* argv[] = {program.data(), nullptr};
        const int failed = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) throw std::system_error(failed, std::generic_category(), "posix_spawn");
    }

    ~RunningCompanion() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Reads standard error until `text` appears; false when the program closes it first or
    // writes nothing for a minute, so that a hung program fails the test instead of stalling it.
    bool waitFor(const std::string& text) {
        while (output_.find(text) == std::string::npos) {
            if (!readMore()) return false;
        }
        return true;
    }

    // The exit status once the program has ended; -1 when it did not end by exiting.
    int exitStatus() {
        while (readMore()) {
        }
        int status = 0;
        ::waitpid(std::exchange(pid_, -1), &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void signal(int number) const { ::kill(pid_, number); }

    const std::string& output() const { return output_; }

private:
    bool readMore() {
        pollfd readable{errors_.get(), POLLIN, 0};
        if (::poll(&readable, 1, 60'000) <= 0) return false;
        char chunk[4096];
        const ssize_t count = ::read(errors_.get(), chunk, sizeof chunk);
        if (count <= 0) return false;
        output_.append(chunk, static_cast<std::size_t>(count));
        return true;
    }

    pid_t pid_ = -1;
    FileDescriptor errors_;
    std::string output_;
};

} // namespace

TEST(CompanionProgram, RunsUntilInterruptedOrTerminatedThenExitsCleanly) {
    for (const auto& [number, name] : {std::pair{SIGTERM, "SIGTERM"}, std::pair{SIGINT, "SIGINT"}}) {
        SCOPED_TRACE(name);
        TemporaryFolder home;
        RefusingPort service;
        RunningCompanion companion(home, service.baseURL());
        ASSERT_TRUE(companion.waitFor(") started on ")) << companion.output();

        companion.signal(number);

        EXPECT_EQ(companion.exitStatus(), 0) << companion.output();
        EXPECT_NE(companion.output().find(std::string("tarvo: ") + name + " received — stopping"), std::string::npos)
            << companion.output();
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
    RunningCompanion companion(home, service.baseURL());

    const std::string address = "https://tarvo.example/pair?code=WXYZ-1234";
    ASSERT_TRUE(companion.waitFor("tarvo: waiting for this Mac to be approved at " + address + "\n"))
        << companion.output();
    ASSERT_TRUE(companion.waitFor("tarvo: found no xdg-open to show a web page with — open " + address + " by hand"))
        << companion.output();
    companion.signal(SIGTERM);
    EXPECT_EQ(companion.exitStatus(), 0) << companion.output();
}
