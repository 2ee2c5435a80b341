#include "Platform/EwmhDesktop.h"

#include <algorithm>

namespace tarvo {

X11Display* EwmhDesktop::connection() {
    if (displayName_.empty()) return nullptr;
    if (!display_ || display_->lost()) display_ = X11Display::open(displayName_);
    return display_.get();
}

EwmhWorkspace::Reading EwmhDesktop::reading() {
    const std::lock_guard hold(turn_);
    X11Display* x = connection();
    return x ? EwmhWorkspace::read(*x) : EwmhWorkspace::Reading{};
}

std::vector<RunningApp> EwmhDesktop::runningApps() {
    const EwmhWorkspace::Reading now = reading();
    if (now.clients.empty()) return {};
    return EwmhWorkspace::apps(now, applications_.list());
}

std::optional<RunningApp> EwmhDesktop::front(const std::vector<DesktopApplications::Entry>& entries) {
    const std::lock_guard hold(turn_);
    X11Display* x = connection();
    const auto active = x ? EwmhWorkspace::activeWindow(*x) : std::nullopt;
    if (!active) return std::nullopt;
    EwmhWorkspace::Client client;
    const auto errors = x->checked([&](Display*) { client = EwmhWorkspace::client(*x, *active); });
    if (!client.pid || !errors.empty() || x->lost()) return std::nullopt;
    RunningApp app;
    app.name = EwmhWorkspace::name(client, entries);
    app.bundleId = EwmhWorkspace::bundleId(client, entries);
    app.pid = *client.pid;
    app.frontmost = true;
    app.hidden = client.hidden;
    return app;
}

bool EwmhDesktop::ownInFront() {
    const std::lock_guard hold(turn_);
    X11Display* x = connection();
    const auto active = x ? EwmhWorkspace::activeWindow(*x) : std::nullopt;
    if (!active) return false;
    bool own = false;
    x->checked([&](Display*) { own = EwmhWorkspace::isOwn(EwmhWorkspace::client(*x, *active)); });
    return own && !x->lost();
}

bool EwmhDesktop::activate(std::int32_t pid) {
    const std::lock_guard hold(turn_);
    X11Display* x = connection();
    if (!x) return false;
    const EwmhWorkspace::Reading now = EwmhWorkspace::read(*x);
    // Its topmost window of its own, a minimised one too: activating it shows it again.
    const auto window = std::ranges::find_if(now.clients.rbegin(), now.clients.rend(), [&](const auto& client) {
        return client.pid == pid && client.normal;
    });
    if (window == now.clients.rend()) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window->window;
    event.xclient.message_type = x->atom("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    // As a pager asks, which the window manager does not hold back as a window stealing the focus.
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    const auto errors = x->checked([&](Display* d) {
        XSendEvent(d, x->root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    });
    return errors.empty() && !x->lost();
}

} // namespace tarvo
