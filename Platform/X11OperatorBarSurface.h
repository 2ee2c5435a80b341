#pragma once

#include <memory>
#include <optional>

#include <X11/Xlib.h>

#include "Platform/X11EventThread.h"
#include "TarvoCore/Operator/OperatorBarSurface.h"

namespace tarvo {

// The operating bar as a window of the X desktop: 360 × 40 px at the top centre of the work
// area, 8 px below its top, with rounded corners, the accent dot, "Tarvo is operating this Mac"
// and "Stop". It never takes the keyboard's focus. Under a window manager it asks to stay above
// the other windows on every desktop, out of the task bar and the pager; without one it places
// itself and raises itself again whenever another window covers it. On the main loop; made and
// destroyed there before the event thread goes.
class X11OperatorBarSurface final : public OperatorBarSurface {
public:
    static constexpr int width = 360;
    static constexpr int height = 40;
    static constexpr int cornerRadius = 12;
    static constexpr int gap = 8;
    static constexpr int padding = 14;
    static constexpr int dotSize = 8;
    static constexpr int spacing = 10;

    // `events` is nothing without a display, and the bar then cannot be shown.
    explicit X11OperatorBarSurface(std::shared_ptr<X11EventThread> events);
    ~X11OperatorBarSurface() override;
    X11OperatorBarSurface(const X11OperatorBarSurface&) = delete;
    X11OperatorBarSurface& operator=(const X11OperatorBarSurface&) = delete;

    bool canShow() const override;
    std::optional<Origin> place() override;
    Look look() override;
    bool isVisible() const override { return visible_; }
    Frame frame() const override { return frame_; }
    void setFrame(Frame frame) override;
    void orderFront() override;
    void orderOut() override;

    // The bar's window, None before it was made or once it is gone.
    Window window() const { return window_; }

private:
    struct Drawing;

    bool make();
    void forget();
    void handle(const XEvent& event);
    void draw();
    void markTheWindow() const;
    void cutTheCorners() const;
    bool onStopButton(int x) const;

    std::shared_ptr<X11EventThread> events_;
    Window window_ = None;
    bool managed_ = false;
    bool dark_ = false;
    bool visible_ = false;
    bool stopPressed_ = false;
    int stopLeft_ = width;
    // The serial of the latest map request: an unmap reported before it is an older one's.
    unsigned long mapSerial_ = 0;
    Frame frame_{};
    std::unique_ptr<Drawing> drawing_;
    X11EventThread::Watch watch_;
};

} // namespace tarvo
