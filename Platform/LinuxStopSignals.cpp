#include "Platform/LinuxStopSignals.h"

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tarvo {
namespace {

// The one thing the handler reads: an integer it can load without a lock.
std::atomic<int> signalsPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void noteSignal(int number) {
    const int saved = errno;
    const int fd = signalsPipe.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(number);
        // A full pipe already holds a request that will be read; losing a repeat of it is fine.
        [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

std::pair<FileDescriptor, FileDescriptor> makePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    return {FileDescriptor(ends[0]), FileDescriptor(ends[1])};
}

// Answers the disposition it replaces. It cannot fail for the two signals caught here.
struct sigaction catching(int number) {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    struct sigaction previous {};
    ::sigaction(number, &action, &previous);
    return previous;
}

std::string_view nameOf(int number) { return number == SIGINT ? "SIGINT" : "SIGTERM"; }

} // namespace

LinuxStopSignals::LinuxStopSignals(RunLoop& loop) : loop_(loop), handler_(std::make_shared<Handler>()) {
    std::tie(signalsRead_, signalsWrite_) = makePipe();
    std::tie(quitRead_, quitWrite_) = makePipe();
    int none = -1;
    if (!signalsPipe.compare_exchange_strong(none, signalsWrite_.get())) {
        throw std::logic_error("the stop signals are caught already");
    }
    previousInterrupt_ = catching(SIGINT);
    previousTerminate_ = catching(SIGTERM);
    watcher_ = std::thread([this] { watch(); });
}

LinuxStopSignals::~LinuxStopSignals() {
    ::sigaction(SIGINT, &previousInterrupt_, nullptr);
    ::sigaction(SIGTERM, &previousTerminate_, nullptr);
    signalsPipe.store(-1);
    quitWrite_.reset();
    watcher_.join();
}

void LinuxStopSignals::onStop(Handler handler) { *handler_ = std::move(handler); }

void LinuxStopSignals::watch() {
    pollfd watched[2] = {{signalsRead_.get(), POLLIN, 0}, {quitRead_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        unsigned char numbers[16];
        const ssize_t count = ::read(signalsRead_.get(), numbers, sizeof numbers);
        for (ssize_t i = 0; i < count; ++i) {
            std::weak_ptr<Handler> handler = handler_;
            const std::string_view name = nameOf(numbers[i]);
            loop_.post([handler, name] {
                if (auto current = handler.lock(); current && *current) (*current)(name);
            });
        }
    }
}

} // namespace tarvo
