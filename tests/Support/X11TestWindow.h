#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "Platform/X11Display.h"
#include "Platform/X11Property.h"

namespace tarvo::testing {

// A top-level window a test makes on its own connection, claiming whatever process, class, title
// and type it is given, as another program's window would carry them. Mapped without taking the
// focus; `activate` brings it to the front as a pager asks the window manager to.
class X11TestWindow {
public:
    struct Options {
        std::int32_t pid = 0;
        // No WM_CLASS at all when empty.
        std::string wmClass = {};
        // No name at all when none.
        std::optional<std::string> title = {};
        // "_NET_WM_WINDOW_TYPE_…"; none when empty.
        std::string type = {};
        bool hidden = false;
        int x = 100;
        int y = 100;
        int width = 200;
        int height = 150;
        unsigned long background = 0xff0000;
        // No frame, so the window's pixels are exactly its area.
        bool undecorated = true;
    };

    static constexpr std::chrono::seconds deadline{10};

    X11TestWindow(X11Display& display, const Options& options) : display_(display), options_(options) {
        Display* x = display.get();
        XSetWindowAttributes attributes{};
        attributes.background_pixel = options.background;
        window_ = XCreateWindow(x, display.root(), options.x, options.y, static_cast<unsigned>(options.width),
                                static_cast<unsigned>(options.height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                CWBackPixel, &attributes);
        if (!options.wmClass.empty()) {
            std::string instance = options.wmClass + "-instance";
            std::string wmClass = options.wmClass;
            XClassHint hint{instance.data(), wmClass.data()};
            XSetClassHint(x, window_, &hint);
        }
        if (options.title) {
            XStoreName(x, window_, options.title->c_str());
            XChangeProperty(x, window_, display.atom("_NET_WM_NAME"), display.atom("UTF8_STRING"), 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(options.title->data()),
                            static_cast<int>(options.title->size()));
        }
        const long pid = options.pid;
        XChangeProperty(x, window_, display.atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pid), 1);
        const long userTime = 0;
        XChangeProperty(x, window_, display.atom("_NET_WM_USER_TIME"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&userTime), 1);
        if (!options.type.empty()) {
            const Atom type = display.atom(options.type.c_str());
            XChangeProperty(x, window_, display.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&type), 1);
        }
        if (options.undecorated) {
            const long motif[5] = {2, 0, 0, 0, 0};
            const Atom hints = display.atom("_MOTIF_WM_HINTS");
            XChangeProperty(x, window_, hints, hints, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(motif),
                            5);
        }
        XSizeHints size{};
        size.flags = USPosition | PPosition;
        size.x = options.x;
        size.y = options.y;
        XSetWMNormalHints(x, window_, &size);
        XWMHints hints{};
        hints.flags = StateHint | InputHint;
        hints.input = True;
        hints.initial_state = options.hidden ? IconicState : NormalState;
        XSetWMHints(x, window_, &hints);
        XMapWindow(x, window_);
        XFlush(x);
    }

    ~X11TestWindow() {
        if (display_.lost()) return;
        XDestroyWindow(display_.get(), window_);
        XSync(display_.get(), False);
    }
    X11TestWindow(const X11TestWindow&) = delete;
    X11TestWindow& operator=(const X11TestWindow&) = delete;

    Window id() const { return window_; }

    // Whether the window manager manages it, shown or, when it was made hidden, hidden.
    bool waitUntilManaged() const {
        return waitFor([&] {
            if (!contains(rootWindows("_NET_CLIENT_LIST"), window_)) return false;
            XWindowAttributes attributes{};
            if (!XGetWindowAttributes(display_.get(), window_, &attributes)) return false;
            return options_.hidden || attributes.map_state == IsViewable;
        });
    }

    // Asks the window manager to make it active, and waits until the root says it is.
    bool activate() const { return activate(display_, window_); }

    static bool activate(X11Display& display, Window window) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = display.atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display.get(), display.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(display.get());
        return waitFor([&] {
            const auto active = windowsOf(display, display.root(), "_NET_ACTIVE_WINDOW");
            return !active.empty() && active.front() == window;
        });
    }

private:
    template <typename Done>
    static bool waitFor(Done done) {
        const auto until = std::chrono::steady_clock::now() + deadline;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    static bool contains(const std::vector<Window>& windows, Window window) {
        for (const Window each : windows) {
            if (each == window) return true;
        }
        return false;
    }

    std::vector<Window> rootWindows(const char* name) const { return windowsOf(display_, display_.root(), name); }

    static std::vector<Window> windowsOf(X11Display& display, Window window, const char* name) {
        return X11Property::read(display, window, name, XA_WINDOW).items<Window>();
    }

    X11Display& display_;
    Options options_;
    Window window_ = None;
};

} // namespace tarvo::testing
