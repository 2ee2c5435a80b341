#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TarvoCompanion/Ports/Desktop.h"
#include "TarvoCore/Geometry/Rect.h"
#include "TarvoCore/WhatsApp/PageHost.h"

namespace tarvo {

// The window that holds the WhatsApp page, as a model of what the window server would show. It
// is parked beyond the edge of every screen and stays wherever it is put: unlike other windows it
// is never pulled back onto a screen.
class ParkedWindow {
public:
    // Titled, closable and miniaturizable.
    static constexpr std::uint64_t titledClosableMiniaturizable = 0xB;
    // Transient, and left out of the window cycle.
    static constexpr std::uint64_t transientIgnoringCycle = 0x48;

    enum class Backing { buffered };

    // Asked when the user tries to close the window.
    class Delegate {
    public:
        virtual ~Delegate() = default;
        virtual bool windowShouldClose(ParkedWindow& window) = 0;
    };

    ParkedWindow(Rect contentRect, std::uint64_t styleMask, Backing backing, bool defer);

    ParkedWindow(const ParkedWindow&) = delete;
    ParkedWindow& operator=(const ParkedWindow&) = delete;

    const Rect& frame() const { return frame_; }
    const std::uint64_t styleMask;
    const Backing backing;
    const bool deferred;
    const Desktop::WindowNumber number;

    std::string title;
    // The page the window shows.
    std::shared_ptr<PageHost> contentView;
    bool releasedWhenClosed = true;
    bool excludedFromWindowsMenu = false;
    std::uint64_t collectionBehavior = 0;
    // Not owned: the window never outlives its delegate.
    Delegate* delegate = nullptr;
    // Runs after every move, by the program, the user or the window system.
    std::function<void()> didMove;

    // The frame the window system may put the window at when it would place it at `proposed`.
    Rect constrainFrameRect(Rect proposed) const { return proposed; }

    void setFrameOrigin(Point origin);
    // Over the middle of the first screen; where it is when there is no screen.
    void center(const std::vector<Rect>& screens);

    bool isVisible() const { return visible_; }
    // On screen in front of the others, without taking the keyboard or activating the program.
    void orderFrontRegardless() { visible_ = true; }
    // The user pressed the close button: the window goes only when its delegate lets it.
    void performClose();

private:
    Rect frame_;
    bool visible_ = false;
};

} // namespace tarvo
