#include "Support/DesktopSession.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "Platform/SearchPath.h"
#include "Platform/X11Property.h"
#include "TarvoBase/FileDescriptor.h"

namespace tarvo::testing {
namespace {

constexpr auto startLimit = std::chrono::seconds(15);
// util-linux's, on every Debian system.
constexpr const char* tiedLauncher = "/usr/bin/setpriv";

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

std::optional<std::string> program(std::string_view name) {
    const char* path = std::getenv("PATH");
    return SearchPath::find(path ? path : "/usr/bin:/bin", name);
}

// The first line a child writes on `fd` (without its newline), within the start limit.
std::optional<std::string> firstLine(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + startLimit;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;
        line.append(buffer, static_cast<std::size_t>(got));
        if (const auto end = line.find('\n'); end != std::string::npos) return line.substr(0, end);
    }
}

// A pipe whose read end stays with us; the write end is handed to a child and closed here.
struct Pipe {
    FileDescriptor read;
    FileDescriptor write;
    Pipe() {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
        read.reset(ends[0]);
        write.reset(ends[1]);
    }
};

// openbox sets _NET_SUPPORTING_WM_CHECK on the root once it manages the screen.
bool windowManagerRuns(X11Display& connection) {
    const auto check = X11Property::read(connection, connection.root(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    return check.items<Window>().size() == 1;
}

// Started so that it is sent SIGTERM when the test process ends, also when it is killed: a
// test stopped from outside leaves no X server, window manager or bus behind.
ChildProcess spawnTiedToTest(const std::string& executable, std::vector<std::string> arguments,
                             ChildProcess::Streams streams) {
    arguments.insert(arguments.begin(), {"--pdeathsig", "TERM", "--", executable});
    return ChildProcess::spawn(tiedLauncher, arguments, std::move(streams), true);
}

bool windowManagerKeeps(X11Display& connection, Window window) {
    const auto windows = X11Property::read(connection, connection.root(), "_NET_CLIENT_LIST", XA_WINDOW).items<Window>();
    return std::ranges::find(windows, window) != windows.end();
}

// openbox names itself on the root before it has finished starting, and drops a window mapped
// in between: it never manages it. A probe window is asked to map until openbox lists it among
// its clients, and is gone from the list again before the test's own windows come.
bool windowManagerManagesWindows(X11Display& connection, std::chrono::steady_clock::time_point deadline) {
    Display* display = connection.get();
    const Window probe = XCreateSimpleWindow(display, connection.root(), 0, 0, 10, 10, 0, 0, 0);
    bool managed = false;
    while (!managed && std::chrono::steady_clock::now() < deadline) {
        // A window the window manager has taken in is mapped already: asking again changes nothing.
        XMapWindow(display, probe);
        XSync(display, False);
        for (int check = 0; check < 10 && !(managed = windowManagerKeeps(connection, probe)); ++check) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    XDestroyWindow(display, probe);
    XSync(display, False);
    while (managed && windowManagerKeeps(connection, probe)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return managed;
}

// Asks the child to end, so that Xvfb removes its socket and lock file; kills it only when it
// does not within a few seconds.
void end(std::optional<ChildProcess>& child) {
    if (!child) return;
    child->signal(SIGTERM);
    pollfd wait{child->endedDescriptor(), POLLIN, 0};
    if (poll(&wait, 1, 5000) <= 0) child->signal(SIGKILL);
    child->reap();
    child.reset();
}

} // namespace

bool DesktopSession::mustRun() {
    const auto ci = variable("CI");
    return ci && *ci == "true";
}

std::unique_ptr<DesktopSession> DesktopSession::start(const Options& options, std::string& why,
                                                      const std::vector<std::string>& serverArguments) {
    const auto xvfb = program("Xvfb");
    const auto openbox = program("openbox");
    const auto dbusDaemon = program("dbus-daemon");
    if (!xvfb) {
        why = "Xvfb is not installed (Debian package xvfb)";
        return nullptr;
    }
    if (options.windowManager && !openbox) {
        why = "openbox is not installed (Debian package openbox)";
        return nullptr;
    }
    if (options.sessionBus && !dbusDaemon) {
        why = "dbus-daemon is not installed (Debian package dbus-daemon)";
        return nullptr;
    }

    std::unique_ptr<DesktopSession> session(new DesktopSession());
    session->previousDisplay_ = variable("DISPLAY");
    session->previousBus_ = variable("DBUS_SESSION_BUS_ADDRESS");

    Pipe displayNumber;
    const std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
    std::vector<std::string> arguments{"-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"};
    arguments.insert(arguments.end(), serverArguments.begin(), serverArguments.end());
    session->xServer_.emplace(spawnTiedToTest(*xvfb, std::move(arguments),
                                              {.input = -1, .output = -1, .error = -1, .extra = {displayNumber.write.get()}}));
    displayNumber.write.reset();
    const auto number = firstLine(displayNumber.read.get());
    if (!number || number->empty()) {
        why = "Xvfb did not say which display it took";
        return nullptr;
    }
    session->display_ = ":" + *number;
    setenv("DISPLAY", session->display_.c_str(), 1);
    session->connection_ = X11Display::open(session->display_);
    if (!session->connection_) {
        why = "display " + session->display_ + " of Xvfb does not open";
        return nullptr;
    }

    if (options.sessionBus) {
        Pipe address;
        session->bus_.emplace(spawnTiedToTest(*dbusDaemon, {"--session", "--nofork", "--print-address=3"},
                                              {.extra = {address.write.get()}}));
        address.write.reset();
        const auto line = firstLine(address.read.get());
        if (!line) {
            why = "dbus-daemon did not say where its session bus is";
            return nullptr;
        }
        setenv("DBUS_SESSION_BUS_ADDRESS", line->c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }

    if (options.windowManager) {
        session->windowManager_.emplace(spawnTiedToTest(*openbox, {"--sm-disable"}, {}));
        const auto deadline = std::chrono::steady_clock::now() + startLimit;
        while (!windowManagerRuns(*session->connection_)) {
            if (std::chrono::steady_clock::now() > deadline) {
                why = "openbox did not take the screen of display " + session->display_;
                return nullptr;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!windowManagerManagesWindows(*session->connection_, deadline)) {
            why = "openbox did not manage a window on display " + session->display_;
            return nullptr;
        }
    }
    return session;
}

DesktopSession::~DesktopSession() {
    end(windowManager_);
    connection_.reset();
    end(bus_);
    end(xServer_);
    restore("DISPLAY", previousDisplay_);
    restore("DBUS_SESSION_BUS_ADDRESS", previousBus_);
}

void DesktopSession::stopXServer() {
    end(xServer_);
}

} // namespace tarvo::testing

#if defined(__SANITIZE_ADDRESS__)
// fontconfig, which the bar's text is drawn through, keeps its configuration and caches for the
// life of the process by design, and so do the accessibility bus library and the GLib and D-Bus
// libraries under it (its connection cannot be let go); the leak checker is told so for the
// suites that use a desktop.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libatspi.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libdbus-1.so\n";
}
#endif
