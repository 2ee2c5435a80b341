#include "Platform/LogindIdleInhibitor.h"

#include <cerrno>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TarvoBase/PlainLog.h"

namespace tarvo {
namespace {

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&attributes_); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes_; }

private:
    posix_spawnattr_t attributes_;
};

void logSpawnFailure(std::string_view program, int error) {
    PlainLog::write("tarvo: keep awake: " + std::string(program) + " did not start (" + std::strerror(error) + ")");
}

} // namespace

LogindIdleInhibitor::LogindIdleInhibitor(bool logindRuns, std::string program)
    : logindRuns_(logindRuns), program_(std::move(program)) {}

LogindIdleInhibitor::~LogindIdleInhibitor() {
    for (auto& [assertion, child] : children_) stop(child);
}

std::optional<LogindIdleInhibitor::Assertion> LogindIdleInhibitor::begin(const std::string& name) {
    if (!logindRuns_) {
        PlainLog::write("tarvo: keep awake: logind does not run here, so nothing holds this computer awake");
        return next_++;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        logSpawnFailure(program_, errno);
        return std::nullopt;
    }
    FileDescriptor childInput(pipeEnds[0]);
    FileDescriptor input(pipeEnds[1]);

    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.get(), childInput.get(), STDIN_FILENO);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // The child starts with no signal blocked or ignored, whatever the companion's thread set.
    SpawnAttributes attributes;
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigfillset(&defaults);
    posix_spawnattr_setsigmask(attributes.get(), &none);
    posix_spawnattr_setsigdefault(attributes.get(), &defaults);
    posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments{program_, "--what=idle", "--who=Tarvo", "--why=" + name, "--mode=block", "cat"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    if (const int error = posix_spawnp(&pid, program_.c_str(), actions.get(), attributes.get(), argv.data(), environ)) {
        logSpawnFailure(program_, error);
        return std::nullopt;
    }
    const Assertion assertion = next_++;
    children_.emplace(assertion, Child{pid, std::move(input)});
    return assertion;
}

void LogindIdleInhibitor::end(Assertion assertion) {
    const auto found = children_.find(assertion);
    if (found == children_.end()) return;
    stop(found->second);
    children_.erase(found);
}

bool LogindIdleInhibitor::logindRunsHere(const std::filesystem::path& runFolder) {
    std::error_code ignored;
    return std::filesystem::is_directory(runFolder / "systemd/system", ignored);
}

// The closed input ends "cat", and with it the inhibitor, which releases the hold.
void LogindIdleInhibitor::stop(Child& child) {
    child.input.reset();
    while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace tarvo
