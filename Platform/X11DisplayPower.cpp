#include "Platform/X11DisplayPower.h"

#include <memory>

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

#include "Platform/X11Display.h"

namespace tarvo {
namespace {

// Through the X11 helper, so that a server going away while it is asked ends nothing.
std::shared_ptr<X11Display> opened(const std::string& display) {
    return display.empty() ? nullptr : X11Display::open(display);
}

bool hasDpms(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    return DPMSQueryExtension(display, &eventBase, &errorBase) && DPMSCapable(display);
}

} // namespace

std::optional<bool> X11DisplayPower::asleep(const std::string& display) {
    const auto connection = opened(display);
    if (!connection || !hasDpms(connection->get())) return std::nullopt;
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (!DPMSInfo(connection->get(), &level, &enabled) || connection->lost()) return std::nullopt;
    // With DPMS switched off the server never powers the monitors down.
    return enabled && level != DPMSModeOn;
}

bool X11DisplayPower::declareActivity(const std::string& display) {
    const auto connection = opened(display);
    if (!connection) return false;
    const bool dpms = hasDpms(connection->get());
    connection->checked([dpms](Display* server) {
        XResetScreenSaver(server);
        if (dpms) DPMSForceLevel(server, DPMSModeOn);
    });
    return !connection->lost();
}

} // namespace tarvo
