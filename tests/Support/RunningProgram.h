#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo::testing {

// A program run as a child process, in the test's environment with some variables replaced, its
// standard output and error together on one pipe. The pipe is drained all along, so a child that
// writes a lot never blocks on it. A child still running when this goes away is killed.
class RunningProgram {
public:
    RunningProgram(const std::string& executable, const std::vector<std::string>& arguments,
                   const std::map<std::string, std::string>& environment);
    ~RunningProgram();

    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Waits until `text` has appeared in the output; false when the output ends first or stays
    // silent for `silence`, so that a hung program fails its test instead of stalling it.
    bool waitFor(const std::string& text, std::chrono::seconds silence = std::chrono::seconds(60));
    // Waits until one of `texts` has appeared and gives its position in `texts`.
    std::optional<std::size_t> waitForAny(const std::vector<std::string>& texts,
                                          std::chrono::seconds silence = std::chrono::seconds(60));

    // Waits for the program to end, reaps it and takes the rest of its output: its exit code,
    // or -1 when a signal ended it.
    int exitStatus();

    void signal(int number) const;

    // True once the program has ended, without reaping it.
    bool hasEnded() const;

    // The child's process id, for reading what it costs from /proc; -1 once it was reaped.
    pid_t pid() const { return pid_; }

    // Everything written so far.
    std::string output() const;

private:
    void drain();

    pid_t pid_ = -1;
    FileDescriptor pipe_;
    mutable std::mutex mutex_;
    std::condition_variable grew_;
    std::string output_;
    bool ended_ = false;
    std::thread drainer_;
};

} // namespace tarvo::testing
