#include "Platform/LinuxProcessRunner.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/ChildProcess.h"
#include "TarvoBase/OnWorker.h"

namespace tarvo {
namespace {

constexpr std::size_t readChunk = 64 * 1024;

std::system_error systemFailure(const char* what) { return std::system_error(errno, std::generic_category(), what); }

std::pair<FileDescriptor, FileDescriptor> makePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw systemFailure("could not make a pipe for a child");
    return {FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

FileDescriptor emptyInput() {
    FileDescriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!input.isOpen()) throw systemFailure("could not open /dev/null for a child");
    return input;
}

void arm(const FileDescriptor& timer, std::chrono::nanoseconds delay) {
    // A zero time would disarm the timer instead of firing it at once.
    delay = std::max(delay, std::chrono::nanoseconds(1));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(delay);
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(seconds.count());
    when.it_value.tv_nsec = static_cast<long>((delay - seconds).count());
    if (::timerfd_settime(timer.get(), 0, &when, nullptr) != 0) throw systemFailure("could not set a child's time-out");
}

FileDescriptor timerAfter(std::chrono::nanoseconds delay) {
    FileDescriptor timer(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC));
    if (!timer.isOpen()) throw systemFailure("could not make a child's time-out");
    arm(timer, delay);
    return timer;
}

void consumeExpiry(const FileDescriptor& timer) {
    std::uint64_t expirations = 0;
    while (::read(timer.get(), &expirations, sizeof expirations) < 0 && errno == EINTR) {
    }
}

enum class Reading { more, nothingYet, ended };

Reading readSome(const FileDescriptor& from, std::string& into) {
    std::array<char, readChunk> buffer;
    for (;;) {
        const ssize_t got = ::read(from.get(), buffer.data(), buffer.size());
        if (got > 0) {
            into.append(buffer.data(), static_cast<std::size_t>(got));
            return Reading::more;
        }
        if (got == 0) return Reading::ended;
        if (errno == EAGAIN) return Reading::nothingYet;
        if (errno != EINTR) throw systemFailure("could not read a child's output");
    }
}

// One output of the child and the text it has written so far.
struct Output {
    FileDescriptor pipe;
    std::string& text;

    void readAvailable() {
        if (readSome(pipe, text) == Reading::ended) pipe.reset();
    }

    // Once the child has ended, takes what it left in the pipe without waiting for whatever it
    // may have started and handed the pipe to.
    void readRest() {
        if (!pipe.isOpen()) return;
        ::fcntl(pipe.get(), F_SETFL, ::fcntl(pipe.get(), F_GETFL) | O_NONBLOCK);
        while (readSome(pipe, text) == Reading::more) {
        }
        pipe.reset();
    }
};

} // namespace

Task<ProcessRunner::Result> LinuxProcessRunner::run(std::string executable, std::vector<std::string> arguments,
                                                    std::chrono::nanoseconds timeout) {
    auto work = [executable = std::move(executable), arguments = std::move(arguments), timeout] {
        return runAndWait(executable, arguments, timeout);
    };
    co_return co_await onWorker(work);
}

void LinuxProcessRunner::launchDetached(std::string executable, std::vector<std::string> arguments) {
    const FileDescriptor input = emptyInput();
    ChildProcess child = ChildProcess::spawn(executable, arguments, {.input = input.get()}, true);
    // Reaped by a thread of its own, so it never lingers as a zombie while the companion runs on.
    std::thread([child = std::move(child)]() mutable { child.reap(); }).detach();
}

void LinuxProcessRunner::launchQuietly(std::string executable, std::vector<std::string> arguments, Ended ended) {
    const FileDescriptor input = emptyInput();
    const FileDescriptor nowhere(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (!nowhere.isOpen()) throw systemFailure("could not open /dev/null");
    ChildProcess child = ChildProcess::spawn(executable, arguments, {input.get(), nowhere.get(), nowhere.get()}, true);
    std::thread([child = std::move(child), ended = std::move(ended)]() mutable {
        const int status = child.reap();
        Result result;
        if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
        if (ended) ended(result);
    }).detach();
}

ProcessRunner::Result LinuxProcessRunner::runAndWait(const std::string& executable,
                                                     const std::vector<std::string>& arguments,
                                                     std::chrono::nanoseconds timeout) {
    Result result;
    auto [outputPipe, outputFeed] = makePipe();
    auto [errorPipe, errorFeed] = makePipe();
    ChildProcess child = [&] {
        const FileDescriptor input = emptyInput();
        return ChildProcess::spawn(executable, arguments, {input.get(), outputFeed.get(), errorFeed.get()}, false);
    }();
    // Only the child may hold the writing ends, or the pipes would never end.
    outputFeed.reset();
    errorFeed.reset();
    Output outputs[] = {{std::move(outputPipe), result.standardOutput}, {std::move(errorPipe), result.standardError}};
    const FileDescriptor timer = timerAfter(timeout);

    for (bool ended = false; !ended;) {
        pollfd watched[] = {
            {child.endedDescriptor(), POLLIN, 0},
            {timer.get(), POLLIN, 0},
            {outputs[0].pipe.get(), POLLIN, 0},
            {outputs[1].pipe.get(), POLLIN, 0},
        };
        if (::poll(watched, std::size(watched), -1) < 0) {
            if (errno == EINTR) continue;
            throw systemFailure("could not wait for a child");
        }
        for (std::size_t i = 0; i < std::size(outputs); ++i) {
            if (watched[2 + i].revents != 0) outputs[i].readAvailable();
        }
        ended = watched[0].revents != 0;
        if (ended || watched[1].revents == 0) continue;
        consumeExpiry(timer);
        if (!result.timedOut) {
            result.timedOut = true;
            child.signal(SIGTERM);
            arm(timer, stopGrace);
        } else {
            child.signal(SIGKILL);
        }
    }
    for (Output& output : outputs) output.readRest();

    const int status = child.reap();
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

} // namespace tarvo
