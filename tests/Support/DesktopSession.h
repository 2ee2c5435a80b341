#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/ChildProcess.h"
#include "Platform/X11Display.h"

namespace tarvo::testing {

// A desktop of its own for a test: Xvfb on a display number it picked itself (so tests can run
// side by side), openbox as its window manager, and a session bus. While it runs, DISPLAY and
// DBUS_SESSION_BUS_ADDRESS name it; they are put back when it goes, and its programs are ended.
class DesktopSession {
public:
    struct Options {
        int width = 1920;
        int height = 1080;
        bool windowManager = true;
        bool sessionBus = true;
    };

    // Starts the desktop. Nothing, with `why` saying which program (and which Debian package)
    // is missing or did not start, when it cannot.
    // `serverArguments` go to Xvfb after its own, such as "-extension", "XTEST" for a server
    // without XTest.
    static std::unique_ptr<DesktopSession> start(const Options& options, std::string& why,
                                                 const std::vector<std::string>& serverArguments = {});

    // Whether a desktop that cannot start fails the test rather than skipping it: on CI, which
    // installs every package, a missing one is a fault.
    static bool mustRun();

    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The display's name, such as ":7".
    const std::string& display() const { return display_; }
    // A connection of the test's own, apart from any the code under test opens.
    X11Display& connection() const { return *connection_; }

    // Ends the X server (the window manager goes with it), as when a desktop session ends.
    void stopXServer();

private:
    DesktopSession() = default;

    std::optional<std::string> previousDisplay_;
    std::optional<std::string> previousBus_;
    std::string display_;
    std::optional<ChildProcess> xServer_;
    std::optional<ChildProcess> windowManager_;
    std::optional<ChildProcess> bus_;
    std::shared_ptr<X11Display> connection_;
};

} // namespace tarvo::testing
