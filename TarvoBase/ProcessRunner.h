#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TarvoBase/Task.h"

namespace tarvo {

// Starts other programs. An executable is always started directly with its arguments, never
// through a shell, so no argument is ever read as a command.
class ProcessRunner {
public:
    // How a waited-for child ended and everything it wrote.
    struct Result {
        // The child's exit code when it exited by itself.
        std::optional<int> exitCode;
        // The signal that ended it, when one did.
        std::optional<int> signal;
        // The child outlived its time-out and was stopped.
        bool timedOut = false;
        std::string standardOutput;
        std::string standardError;
    };

    // Once a child has been asked to stop, how long it has before it is killed.
    static constexpr std::chrono::seconds stopGrace{2};

    virtual ~ProcessRunner() = default;

    // Runs `executable` with `arguments` (not counting the program name), standard input
    // empty, and resumes once it has ended, with both of its outputs whole. A child still
    // running at `timeout` gets SIGTERM, and SIGKILL `stopGrace` later. Throws
    // `std::system_error` when the child cannot be started.
    virtual Task<Result> run(std::string executable, std::vector<std::string> arguments,
                             std::chrono::nanoseconds timeout) = 0;

    // Starts `executable` in a session of its own, standard input empty, and does not wait for
    // it: the child may outlive the companion. Throws `std::system_error` when it cannot be
    // started.
    virtual void launchDetached(std::string executable, std::vector<std::string> arguments) = 0;

    // Hears how a child started by `launchQuietly` ended, on a thread of the runner's own; its
    // outputs are empty.
    using Ended = std::function<void(const Result& result)>;
    // `launchDetached` for a helper whose own words do not belong in the companion's log: its
    // outputs go nowhere, and `ended` hears how it ended.
    virtual void launchQuietly(std::string executable, std::vector<std::string> arguments, Ended ended) = 0;
};

} // namespace tarvo
