#include "Platform/XclipClipboard.h"

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Platform/ChildProcess.h"
#include "Platform/SearchPath.h"
#include "TarvoBase/FileDescriptor.h"

namespace tarvo {
namespace {

bool writeAll(const FileDescriptor& to, std::string_view bytes) {
    // An xclip that ended before reading (no display after all) must not end this program with
    // SIGPIPE: the signal is held back for this write and taken if it came.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    sigset_t before;
    ::pthread_sigmask(SIG_BLOCK, &brokenPipe, &before);
    bool whole = true;
    while (!bytes.empty()) {
        const ssize_t written = ::write(to.get(), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            whole = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (!whole) {
        const timespec none{0, 0};
        while (::sigtimedwait(&brokenPipe, nullptr, &none) == SIGPIPE) {
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return whole;
}

bool endsWithin(const ChildProcess& child, std::chrono::milliseconds patience) {
    pollfd ended{child.endedDescriptor(), POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&ended, 1, static_cast<int>(patience.count()));
        if (ready < 0 && errno == EINTR) continue;
        return ready == 1;
    }
}

} // namespace

XclipClipboard::XclipClipboard(std::optional<std::string> xclip, std::optional<std::string> display)
    : xclip_(std::move(xclip)), display_(std::move(display)) {}

XclipClipboard XclipClipboard::current(const char* searchPath, const char* display) {
    std::optional<std::string> named;
    if (display && *display) named = display;
    return XclipClipboard(SearchPath::find(searchPath ? searchPath : "", "xclip"), std::move(named));
}

void XclipClipboard::put(const std::string& text) {
    if (!exists()) throw std::runtime_error("this computer has no clipboard");
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("could not make a pipe for xclip");
    FileDescriptor input(ends[0]);
    FileDescriptor feed(ends[1]);
    const FileDescriptor nowhere(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (!nowhere.isOpen()) throw std::runtime_error("could not open /dev/null for xclip");
    // Its own session: the copy that serves the selection outlives this program's stop signals.
    ChildProcess child = ChildProcess::spawn(*xclip_, {"-selection", "clipboard"},
                                             {input.get(), nowhere.get(), nowhere.get()}, true);
    input.reset();
    const bool fed = writeAll(feed, text);
    feed.reset();
    if (!endsWithin(child, patience)) {
        child.signal(SIGKILL);
        child.reap();
        throw std::runtime_error("xclip did not take the text within " + std::to_string(patience.count()) + " s");
    }
    const int status = child.reap();
    if (!fed || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("xclip could not put the text on the clipboard of display " + *display_);
    }
}

} // namespace tarvo
