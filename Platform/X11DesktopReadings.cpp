#include "Platform/X11DesktopReadings.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/scrnsaver.h>

#include "Platform/X11Free.h"
#include "Platform/X11Image.h"
#include "Platform/X11Monitors.h"

namespace tarvo {
namespace {

using ScreenSaverInfo = X11Owned<XScreenSaverInfo>;

} // namespace

// A server that went away while it was asked gives no answer, whatever its calls returned.
template <class Value>
std::optional<Value> X11DesktopReadings::unlessLost(Value value) const {
    if (display_->lost()) return std::nullopt;
    return value;
}

Display* X11DesktopReadings::connection() const { return display_->lost() ? nullptr : display_->get(); }

std::optional<OperatorSystemReadings::Displays> X11DesktopReadings::displays() const {
    const std::lock_guard turn(turn_);
    Display* display = connection();
    int eventBase = 0;
    int errorBase = 0;
    if (!display || !XRRQueryExtension(display, &eventBase, &errorBase)) return std::nullopt;
    const X11Monitors monitors = X11Monitors::read(display, display_->root());
    if (!monitors.answered() || monitors.count() < 0) return std::nullopt;
    OperatorSystemReadings::Displays found{monitors.count(), std::nullopt};
    if (const XRRMonitorInfo* main = monitors.main()) found.mainPixels = OperatorCaps::Pixels{main->width, main->height};
    return unlessLost(found);
}

std::optional<bool> X11DesktopReadings::screenCaptureAllowed() const {
    const std::lock_guard turn(turn_);
    Display* display = connection();
    if (!display) return std::nullopt;
    X11Image pixel;
    const auto errors = display_->checked(
        [&](Display* d) { pixel.reset(XGetImage(d, display_->root(), 0, 0, 1, 1, AllPlanes, ZPixmap)); });
    if (display_->lost()) return std::nullopt;
    return pixel != nullptr && errors.empty();
}

std::optional<bool> X11DesktopReadings::postEventAllowed() const {
    const std::lock_guard turn(turn_);
    Display* display = connection();
    if (!display) return std::nullopt;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return unlessLost(XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) == True);
}

std::optional<std::int64_t> X11DesktopReadings::idleSeconds() const {
    const std::lock_guard turn(turn_);
    Display* display = connection();
    int eventBase = 0;
    int errorBase = 0;
    if (!display || !XScreenSaverQueryExtension(display, &eventBase, &errorBase)) return std::nullopt;
    const ScreenSaverInfo info(XScreenSaverAllocInfo());
    if (!info || !XScreenSaverQueryInfo(display, display_->root(), info.get())) return std::nullopt;
    return unlessLost(static_cast<std::int64_t>(info->idle / 1000));
}

} // namespace tarvo
