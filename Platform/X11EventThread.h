#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include <X11/Xlib.h>

#include "Platform/X11Display.h"
#include "TarvoBase/FileDescriptor.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {

// The one reader of the events of the companion's own X connection: its windows and its grabs.
// A thread of its own waits for the server and posts each event to the main loop, where the
// watchers of the event's window get it. Everything but the constructor's thread runs on the
// main loop; the main thread makes its own requests on the same connection (`display()`).
// Made and destroyed on the loop's thread, before the loop goes.
class X11EventThread {
public:
    using OnEvent = std::function<void(const XEvent&)>;
    using OnLost = std::function<void()>;

    X11EventThread(std::shared_ptr<X11Display> display, RunLoop& loop);
    // Stops the thread and waits for it; what it posted and the loop did not run yet is dropped.
    ~X11EventThread();
    X11EventThread(const X11EventThread&) = delete;
    X11EventThread& operator=(const X11EventThread&) = delete;

    X11Display& display() const { return *display_; }
    const std::shared_ptr<X11Display>& sharedDisplay() const { return display_; }

    // Whether the loop has heard that the connection was lost (the watchers' `onLost` ran).
    bool lost() const;

    class Watch;
    // `onEvent` runs on the loop for each event reported on `window` (for a passive grab, the
    // grab window; for StructureNotify, the window itself), and `onLost` once, on the loop, when
    // the connection is lost. Both stop when the watch goes. Selecting the events on the window is
    // the watcher's own request.
    [[nodiscard]] Watch watch(Window window, OnEvent onEvent, OnLost onLost = {});

    // The state the thread's posts reach, gone with the thread's owner.
    struct Hub;

private:
    void read();

    std::shared_ptr<X11Display> display_;
    RunLoop& loop_;
    std::shared_ptr<Hub> hub_;
    FileDescriptor stop_;
    std::thread thread_;
};

class X11EventThread::Watch {
public:
    Watch() = default;
    Watch(std::weak_ptr<Hub> hub, std::uint64_t id) : hub_(std::move(hub)), id_(id) {}
    ~Watch() { reset(); }
    Watch(Watch&& other) noexcept : hub_(std::move(other.hub_)), id_(std::exchange(other.id_, 0)) {}
    Watch& operator=(Watch&& other) noexcept;
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    // Stops watching now.
    void reset();
    bool active() const { return id_ != 0; }

private:
    std::weak_ptr<Hub> hub_;
    std::uint64_t id_ = 0;
};

} // namespace tarvo
