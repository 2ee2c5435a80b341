#include "TarvoCore/Panel/PanelRoute.h"

namespace tarvo {
namespace {

// A page of no host (a blank page, a data or mail address) is for the web view to deal with.
PanelRoute::Decision allowedOrExternal(const WebAddress& target) {
    return target.host ? PanelRoute::Decision::external : PanelRoute::Decision::allow;
}

} // namespace

PanelRoute::Decision PanelRoute::decide(const WebAddress& target, const WebAddress& home, Frame frame) {
    const bool sameSite = target.host == home.host;
    // A frame inside the page never downloads and never leaves the panel.
    if (frame == Frame::sub) return !target.host || sameSite ? Decision::allow : Decision::refuse;
    if (!sameSite) return allowedOrExternal(target);
    const std::string& path = target.path;
    if (path.starts_with("/app")) return Decision::allow;
    if (target.query && target.query->find("signed-out=1") != std::string::npos) return Decision::signedOut;
    if (path.starts_with("/login")) return Decision::sessionLapsed;
    if (path.starts_with("/api/auth")) return Decision::allow;
    if (path.starts_with("/api/attachments/")) {
        return frame == Frame::newWindow ? Decision::downloadAndOpen : Decision::download;
    }
    // The service's other pages (its home, pricing, help) open in the browser.
    return allowedOrExternal(target);
}

} // namespace tarvo
