#pragma once

#include <functional>
#include <optional>

namespace tarvo {

// The window the operating bar is drawn in, as the desktop shows it: one window, made on first
// use and kept. Coordinates are the desktop's pixels from its top-left corner, y growing down.
// Every call is made on the main loop, and the two callbacks are run there.
class OperatorBarSurface {
public:
    struct Origin {
        int x = 0;
        int y = 0;

        bool operator==(const Origin&) const = default;
    };

    struct Frame {
        double alpha = 1;
        Origin origin;

        bool operator==(const Frame&) const = default;
    };

    // How the desktop asks to be drawn.
    struct Look {
        bool dark = false;
        bool reduceMotion = false;
    };

    virtual ~OperatorBarSurface() = default;

    // Whether a bar can be put on screen at all: false without a display.
    virtual bool canShow() const = 0;
    // Moves the window to where the bar belongs and gives that top-left corner; nothing (and the
    // window left where it is) when no screen can be found.
    virtual std::optional<Origin> place() = 0;
    virtual Look look() = 0;

    // Whether the window is on screen as far as the desktop has said.
    virtual bool isVisible() const = 0;
    virtual Frame frame() const = 0;
    virtual void setFrame(Frame frame) = 0;
    // Puts the window on screen in front of the others, never taking the keyboard's focus.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;

    // The Stop button was pressed.
    std::function<void()> onStop;
    // The desktop reports the window on screen (true), or off it: unmapped, destroyed, or the
    // connection to the desktop lost (false).
    std::function<void(bool visible)> onVisibility;
};

} // namespace tarvo
