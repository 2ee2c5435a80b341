#include "Platform/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>
#include <utility>

#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarvo {
namespace {

std::system_error startFailure(int error, const std::string& executable) {
    if (error == ENOENT) return std::system_error(error, std::generic_category(), executable + " is not on this computer");
    return std::system_error(error, std::generic_category(), "could not start " + executable);
}

void check(int error, const std::string& executable) {
    if (error != 0) throw startFailure(error, executable);
}

// posix_spawn's two settings objects, released however the start ends.
class SpawnSettings {
public:
    explicit SpawnSettings(const std::string& executable) {
        check(posix_spawn_file_actions_init(&actions), executable);
        if (const int error = posix_spawnattr_init(&attributes)) {
            posix_spawn_file_actions_destroy(&actions);
            throw startFailure(error, executable);
        }
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

} // namespace

ChildProcess ChildProcess::spawn(const std::string& executable, const std::vector<std::string>& arguments,
                                 Streams streams, bool ownSession) {
    // A NUL byte would silently cut an argument short; refuse rather than run something else.
    std::vector<std::string> words{executable};
    words.insert(words.end(), arguments.begin(), arguments.end());
    for (const std::string& word : words) {
        if (word.find('\0') != std::string::npos) throw startFailure(EINVAL, executable);
    }
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    SpawnSettings settings(executable);
    const std::pair<int, int> redirections[] = {{streams.input, 0}, {streams.output, 1}, {streams.error, 2}};
    for (const auto& [from, to] : redirections) {
        if (from >= 0) check(posix_spawn_file_actions_adddup2(&settings.actions, from, to), executable);
    }
    // Each extra descriptor goes first to a number above every source and target, so that
    // placing one never overwrites another that is still to be placed.
    const int extraCount = static_cast<int>(streams.extra.size());
    int parked = 3 + extraCount;
    for (const int from : streams.extra) parked = std::max(parked, from + 1);
    for (int i = 0; i < extraCount; ++i) {
        check(posix_spawn_file_actions_adddup2(&settings.actions, streams.extra[i], parked + i), executable);
    }
    for (int i = 0; i < extraCount; ++i) {
        check(posix_spawn_file_actions_adddup2(&settings.actions, parked + i, 3 + i), executable);
    }
    check(posix_spawn_file_actions_addclosefrom_np(&settings.actions, 3 + extraCount), executable);

    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    check(posix_spawnattr_setsigmask(&settings.attributes, &none), executable);
    check(posix_spawnattr_setsigdefault(&settings.attributes, &all), executable);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (ownSession) flags |= POSIX_SPAWN_SETSID;
    check(posix_spawnattr_setflags(&settings.attributes, flags), executable);

    pid_t pid = -1;
    check(posix_spawn(&pid, executable.c_str(), &settings.actions, &settings.attributes, argv.data(), environ),
          executable);

    // Called directly: this C library's header declares pidfd_open without C linkage.
    FileDescriptor ended(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    if (!ended.isOpen()) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        throw startFailure(error, executable);
    }
    return ChildProcess(pid, std::move(ended));
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), ended_(std::move(other.ended_)) {}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0) return;
    signal(SIGKILL);
    reap();
}

void ChildProcess::signal(int number) const {
    // Without a child, kill() would reach every process the companion may signal.
    if (pid_ > 0) ::kill(pid_, number);
}

int ChildProcess::reap() {
    int status = 0;
    if (pid_ <= 0) return status;
    while (::waitpid(pid_, &status, 0) < 0) {
        if (errno != EINTR) break;
    }
    pid_ = -1;
    return status;
}

} // namespace tarvo
