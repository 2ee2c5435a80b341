#pragma once

#include <memory>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

namespace tarvo {

// The monitors XRandR reports for the root window, asked once.
class X11Monitors {
public:
    // None when the server cannot answer.
    static X11Monitors read(Display* display, Window root);

    bool answered() const { return monitors_ != nullptr; }
    int count() const { return count_; }
    // The primary monitor, else the first; none when there is no monitor.
    const XRRMonitorInfo* main() const;

private:
    struct Release {
        void operator()(XRRMonitorInfo* monitors) const { XRRFreeMonitors(monitors); }
    };
    std::unique_ptr<XRRMonitorInfo, Release> monitors_;
    int count_ = 0;
};

} // namespace tarvo
