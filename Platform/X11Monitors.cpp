#include "Platform/X11Monitors.h"

namespace tarvo {

X11Monitors X11Monitors::read(Display* display, Window root) {
    X11Monitors found;
    found.monitors_.reset(XRRGetMonitors(display, root, True, &found.count_));
    return found;
}

const XRRMonitorInfo* X11Monitors::main() const {
    if (!monitors_ || count_ < 1) return nullptr;
    for (int i = 0; i < count_; ++i) {
        if (monitors_.get()[i].primary) return &monitors_.get()[i];
    }
    return monitors_.get();
}

} // namespace tarvo
