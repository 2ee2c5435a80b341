#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

#include "TarvoBase/FileDescriptor.h"

namespace tarvo {

// One child started with posix_spawn, owned until it has been reaped. A child let go unreaped
// is killed and reaped, so none is left behind as a zombie or a stray.
class ChildProcess {
public:
    // Descriptors the child gets as its standard input, output and error; -1 keeps the
    // companion's own.
    struct Streams {
        int input = -1;
        int output = -1;
        int error = -1;
        // Descriptors the child gets as 3, 4 and on, in this order.
        std::vector<int> extra = {};
    };

    // Starts `executable` with `arguments` after the program name. The child gets only its
    // three standard streams and the extra descriptors, default signal handling and an empty
    // signal mask. Throws `std::system_error` naming the executable when it cannot be started.
    static ChildProcess spawn(const std::string& executable, const std::vector<std::string>& arguments,
                              Streams streams, bool ownSession);

    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Becomes readable once the child has ended.
    int endedDescriptor() const { return ended_.get(); }

    void signal(int number) const;
    // Waits for the child to end and gives its wait status.
    int reap();

private:
    ChildProcess(pid_t pid, FileDescriptor ended) : pid_(pid), ended_(std::move(ended)) {}

    pid_t pid_;
    FileDescriptor ended_;
};

} // namespace tarvo
