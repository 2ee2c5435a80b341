#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "Platform/X11EventThread.h"
#include "TarvoCompanion/Operator/StopKeyGrab.h"

namespace tarvo {

// The key combination that stops a live run from anywhere, Control+Alt+Super+period, grabbed on
// the desktop's root window while a run's bar is up. A keyboard's Option and Command keys send
// Alt and Super here. On the main loop.
class StopHotKey final : public StopKeyGrab {
public:
    // How the menu names the combination on this computer.
    static constexpr std::string_view spoken = "Control-Alt-Super-period";

    // `events` is the companion's X connection, nothing without a display.
    explicit StopHotKey(std::shared_ptr<X11EventThread> events);
    // Lets the combination go.
    ~StopHotKey() override;
    StopHotKey(const StopHotKey&) = delete;
    StopHotKey& operator=(const StopHotKey&) = delete;

    // Keeps `onPress`, in place of the one before, to run on the loop for each press, and
    // registers the combination.
    void grab(std::function<void()> onPress) override;
    void release() override { unregister(); }

    // Grabs the combination, unless it is grabbed already. When another program holds it the
    // refusal is logged and nothing is kept, so the next call tries again. Without a display it
    // does nothing and says so once.
    void registerHotKey();
    // Lets the combination go; pressing it does nothing afterwards.
    void unregister();

    bool isRegistered() const { return grabbed_; }

private:
    // The combination with Caps Lock and Num Lock off and on, so a lock key does not hide it.
    void grabOrUngrab(bool grab) const;
    void dispatch(const XEvent& event) const;

    std::shared_ptr<X11EventThread> events_;
    std::function<void()> onPress_ = [] {};
    bool grabbed_ = false;
    X11EventThread::Watch dispatch_;
    bool saidNoDisplay_ = false;
};

} // namespace tarvo
