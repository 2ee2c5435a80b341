#include "Platform/MacAppLister.h"

#include <utility>

#include "Platform/EwmhDesktop.h"
#include "Platform/EwmhWorkspace.h"
#include "TarvoBase/OnWorker.h"

namespace tarvo {

MacAppLister::MacAppLister(std::shared_ptr<X11EventThread> events, std::shared_ptr<EwmhDesktop> desktop)
    : events_(std::move(events)), desktop_(std::move(desktop)) {
    if (!events_ || events_->lost()) return;
    X11Display& display = events_->display();
    const Atom activeAtom = display.atom("_NET_ACTIVE_WINDOW");
    watch_ = events_->watch(display.root(), [this, activeAtom](const XEvent& event) {
        if (event.type == PropertyNotify && event.xproperty.atom == activeAtom) noteFront();
    });
    // Added to what the companion's connection already hears on the root, its grabs' events.
    display.checked([&](Display* x) {
        XWindowAttributes attributes{};
        const long heard = XGetWindowAttributes(x, display.root(), &attributes) ? attributes.your_event_mask : 0;
        XSelectInput(x, display.root(), heard | PropertyChangeMask);
    });
    noteFront();
}

void MacAppLister::noteFront() {
    X11Display& display = events_->display();
    const auto active = EwmhWorkspace::activeWindow(display);
    if (!active) return;
    EwmhWorkspace::Client front;
    display.checked([&](Display*) { front = EwmhWorkspace::client(display, *active); });
    if (!front.pid || EwmhWorkspace::isOwn(front) || display.lost()) return;
    const std::lock_guard hold(lock_);
    lastOtherFront_ = front.pid;
}

Task<std::vector<RunningApp>> MacAppLister::runningApps() {
    auto work = [desktop = desktop_] { return desktop->runningApps(); };
    co_return co_await onWorker(work);
}

Task<std::optional<std::int32_t>> MacAppLister::frontmostBeforeTarvo() {
    auto work = [desktop = desktop_] { return desktop->ownInFront(); };
    const bool ownInFront = co_await onWorker(work);
    if (!ownInFront) co_return std::nullopt;
    const std::lock_guard hold(lock_);
    co_return lastOtherFront_;
}

} // namespace tarvo
