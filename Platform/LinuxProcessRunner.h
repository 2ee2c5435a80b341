#pragma once

#include "TarvoBase/ProcessRunner.h"

namespace tarvo {

// Children started with posix_spawn. A waited-for child is watched on the worker pool: both of
// its outputs are read as it writes them, so a child that writes more than a pipe holds never
// stalls, and its end is seen even when something it started still holds the pipes.
class LinuxProcessRunner final : public ProcessRunner {
public:
    Task<Result> run(std::string executable, std::vector<std::string> arguments,
                     std::chrono::nanoseconds timeout) override;
    void launchDetached(std::string executable, std::vector<std::string> arguments) override;
    void launchQuietly(std::string executable, std::vector<std::string> arguments, Ended ended) override;

    // `run` on the calling thread, for work that already runs on a worker of its own.
    static Result runAndWait(const std::string& executable, const std::vector<std::string>& arguments,
                             std::chrono::nanoseconds timeout);
};

} // namespace tarvo
