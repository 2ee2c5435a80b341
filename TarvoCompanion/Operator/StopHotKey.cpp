#include "TarvoCompanion/Operator/StopHotKey.h"

#include <string>

#include <X11/keysym.h>

#include "TarvoBase/PlainLog.h"
#include "TarvoBase/RunLoop.h"

namespace tarvo {
namespace {

// Alt is Mod1 and Super Mod4 on the desktops this runs on; Num Lock is Mod2.
constexpr unsigned int combination = ControlMask | Mod1Mask | Mod4Mask;
constexpr unsigned int locks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

} // namespace

StopHotKey::StopHotKey(std::shared_ptr<X11EventThread> events) : events_(std::move(events)) {}

StopHotKey::~StopHotKey() { unregister(); }

void StopHotKey::grab(std::function<void()> onPress) {
    onPress_ = std::move(onPress);
    registerHotKey();
}

void StopHotKey::registerHotKey() {
    if (grabbed_) return;
    if (!events_ || events_->lost()) {
        if (!saidNoDisplay_) PlainLog::write("tarvo: the stop hot key cannot be grabbed: there is no display");
        saidNoDisplay_ = true;
        return;
    }
    X11Display& display = events_->display();
    const auto refused = display.checked([this](Display*) { grabOrUngrab(true); });
    if (!refused.empty()) {
        // Some of the four may have been ours before the refusal: none is kept.
        grabOrUngrab(false);
        PlainLog::write("tarvo: the stop hot key " + std::string(spoken) +
                        " is held by another program; it is tried again when the next run starts");
        return;
    }
    grabbed_ = true;
    if (!dispatch_.active()) {
        dispatch_ = events_->watch(
            display.root(), [this](const XEvent& event) { dispatch(event); },
            [this] {
                grabbed_ = false;
                dispatch_.reset();
            });
    }
}

void StopHotKey::unregister() {
    dispatch_.reset();
    if (!grabbed_) return;
    grabbed_ = false;
    if (events_->display().lost()) return;
    grabOrUngrab(false);
    XFlush(events_->display().get());
}

void StopHotKey::grabOrUngrab(bool grab) const {
    Display* display = events_->display().get();
    const Window root = events_->display().root();
    const KeyCode period = XKeysymToKeycode(display, XK_period);
    for (const unsigned int lock : locks) {
        if (grab) {
            XGrabKey(display, period, combination | lock, root, False, GrabModeAsync, GrabModeAsync);
        } else {
            XUngrabKey(display, period, combination | lock, root);
        }
    }
}

void StopHotKey::dispatch(const XEvent& event) const {
    if (event.type != KeyPress || !grabbed_) return;
    const XKeyEvent& key = event.xkey;
    if (key.keycode != XKeysymToKeycode(key.display, XK_period)) return;
    if ((key.state & (combination | ShiftMask)) != combination) return;
    // The stop may lower the bar and so let the key go: it runs after this event is done with.
    RunLoop::current().post(onPress_);
}

} // namespace tarvo
