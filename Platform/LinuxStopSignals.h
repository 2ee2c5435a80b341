#pragma once

#include <csignal>
#include <memory>
#include <thread>

#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/RunLoop.h"
#include "TarvoCore/Ports/StopSignals.h"

namespace tarvo {

// SIGINT and SIGTERM, caught from construction until destruction, and handed to the main loop.
// The signal handler only writes the signal's number into a pipe; a thread of its own reads the
// pipe and posts to the loop, because nothing else a program does is safe inside a handler. The
// signals stay unblocked, so child processes inherit no blocked mask. One per process.
class LinuxStopSignals final : public StopSignals {
public:
    explicit LinuxStopSignals(RunLoop& loop);
    ~LinuxStopSignals() override;

    LinuxStopSignals(const LinuxStopSignals&) = delete;
    LinuxStopSignals& operator=(const LinuxStopSignals&) = delete;

    void onStop(Handler handler) override;

private:
    void watch();

    RunLoop& loop_;
    // Replaced on the main loop only; a request already posted reaches the newest handler.
    std::shared_ptr<Handler> handler_;
    FileDescriptor signalsRead_;
    FileDescriptor signalsWrite_;
    FileDescriptor quitRead_;
    FileDescriptor quitWrite_;
    struct sigaction previousInterrupt_ {};
    struct sigaction previousTerminate_ {};
    std::thread watcher_;
};

} // namespace tarvo
