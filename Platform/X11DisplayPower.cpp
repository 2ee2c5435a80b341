#include "Platform/X11DisplayPower.h"

#include <memory>

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace tarvo {
namespace {

struct CloseDisplay {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using DisplayConnection = std::unique_ptr<Display, CloseDisplay>;

DisplayConnection opened(const std::string& display) {
    if (display.empty()) return nullptr;
    return DisplayConnection(XOpenDisplay(display.c_str()));
}

bool hasDpms(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    return DPMSQueryExtension(display, &eventBase, &errorBase) && DPMSCapable(display);
}

} // namespace

std::optional<bool> X11DisplayPower::asleep(const std::string& display) {
    const DisplayConnection connection = opened(display);
    if (!connection || !hasDpms(connection.get())) return std::nullopt;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(connection.get(), &level, &enabled)) return std::nullopt;
    // With DPMS switched off the server never powers the monitors down.
    return enabled && level != DPMSModeOn;
}

bool X11DisplayPower::declareActivity(const std::string& display) {
    const DisplayConnection connection = opened(display);
    if (!connection) return false;
    XResetScreenSaver(connection.get());
    if (hasDpms(connection.get())) DPMSForceLevel(connection.get(), DPMSModeOn);
    XSync(connection.get(), False);
    return true;
}

} // namespace tarvo
