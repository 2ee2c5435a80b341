#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xlib.h>

#include "Platform/DesktopApplications.h"
#include "Platform/X11Display.h"
#include "TarvoCore/Operator/RunningApp.h"

namespace tarvo {

// The windows a window manager manages, as it tells of them on the root window (the EWMH
// properties), and the applications they make: an application is a process that owns a managed
// window. Read afresh at each call; a window that goes while it is read is left out.
class EwmhWorkspace {
public:
    struct Area {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Area&) const = default;
    };

    struct Client {
        Window window = None;
        std::optional<std::int32_t> pid;
        std::string title;
        // WM_CLASS: the class, and the instance name.
        std::string wmClass;
        std::string wmInstance;
        // Of type normal, or of none: an application's own window rather than a dock, a panel,
        // a menu or a notification.
        bool normal = true;
        bool viewable = false;
        bool hidden = false;
        // On the root, with the frame the window manager drew around it.
        Area area;

        bool onScreen() const { return viewable && !hidden; }
    };

    struct Reading {
        // Bottom to top.
        std::vector<Client> clients;
        // Windows in the order the window manager first mapped them.
        std::vector<Window> mappingOrder;
        std::optional<Window> active;

        const Client* client(Window window) const;
        // The owner of the active window; none when no window is active or it names no process.
        std::optional<std::int32_t> frontPid() const;
    };

    // Nothing in it when the connection is lost or no window manager keeps the lists.
    static Reading read(X11Display& display);
    // The window the root names active now, without reading the clients.
    static std::optional<Window> activeWindow(X11Display& display);
    static Client client(X11Display& display, Window window);

    // The applications, in the order their first window was mapped; each with the titles of its
    // on-screen windows, front to back, and named by `entries`.
    static std::vector<RunningApp> apps(const Reading& reading, const std::vector<DesktopApplications::Entry>& entries);

    // The application's desktop-file id by its window's class, else that class; none without one.
    static std::optional<std::string> bundleId(const Client& client,
                                               const std::vector<DesktopApplications::Entry>& entries);
    // The entry's Name, else the bundle id, else "An app".
    static std::string name(const Client& client, const std::vector<DesktopApplications::Entry>& entries);
    // The window carries the companion's own class.
    static bool isOwn(const Client& client);
};

} // namespace tarvo
