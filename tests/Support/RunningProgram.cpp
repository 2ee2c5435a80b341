#include "Support/RunningProgram.h"

#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvo::testing {
namespace {

std::vector<std::string> environmentWith(const std::map<std::string, std::string>& replaced) {
    std::vector<std::string> variables;
    for (const auto& [name, value] : replaced) variables.push_back(name + "=" + value);
    for (char** variable = environ; *variable; ++variable) {
        const std::string text(*variable);
        if (!replaced.contains(text.substr(0, text.find('=')))) variables.push_back(text);
    }
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> list;
    for (auto& text : texts) list.push_back(text.data());
    list.push_back(nullptr);
    return list;
}

} // namespace

RunningProgram::RunningProgram(const std::string& executable, const std::vector<std::string>& arguments,
                               const std::map<std::string, std::string>& environment) {
    std::vector<std::string> argv{executable};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = environmentWith(environment);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    pipe_ = FileDescriptor(ends[0]);
    const FileDescriptor writeEnd(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), STDERR_FILENO);
    const int failed = ::posix_spawn(&pid_, executable.c_str(), &actions, nullptr, pointers(argv).data(),
                                     pointers(envp).data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::system_error(failed, std::generic_category(), "posix_spawn " + executable);
    drainer_ = std::thread([this] { drain(); });
}

RunningProgram::~RunningProgram() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    drainer_.join();
}

bool RunningProgram::waitFor(const std::string& text, std::chrono::seconds silence) {
    return waitForAny({text}, silence).has_value();
}

std::optional<std::size_t> RunningProgram::waitForAny(const std::vector<std::string>& texts,
                                                      std::chrono::seconds silence) {
    std::unique_lock lock(mutex_);
    for (;;) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (output_.find(texts[i]) != std::string::npos) return i;
        }
        if (ended_) return std::nullopt;
        const std::size_t before = output_.size();
        grew_.wait_for(lock, silence, [&] { return ended_ || output_.size() != before; });
        if (!ended_ && output_.size() == before) return std::nullopt;
    }
}

int RunningProgram::exitStatus() {
    int status = 0;
    ::waitpid(std::exchange(pid_, -1), &status, 0);
    // What it wrote last may still be in the pipe.
    std::unique_lock lock(mutex_);
    grew_.wait_for(lock, std::chrono::seconds(60), [this] { return ended_; });
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RunningProgram::signal(int number) const { ::kill(pid_, number); }

bool RunningProgram::hasEnded() const {
    if (pid_ <= 0) return true;
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

std::string RunningProgram::output() const {
    std::lock_guard lock(mutex_);
    return output_;
}

void RunningProgram::drain() {
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::read(pipe_.get(), chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        std::lock_guard lock(mutex_);
        if (count <= 0) {
            ended_ = true;
        } else {
            output_.append(chunk, static_cast<std::size_t>(count));
        }
        grew_.notify_all();
        if (ended_) return;
    }
}

} // namespace tarvo::testing
