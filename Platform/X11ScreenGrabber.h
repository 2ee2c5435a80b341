#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/BgrxImage.h"
#include "Platform/EwmhWorkspace.h"
#include "Platform/X11Display.h"

namespace tarvo {

// Pictures of an X screen on a connection of its own, through a shared-memory segment kept for
// the next picture of the same size (a plain image request where the server cannot share memory
// with this process). For one thread at a time.
class X11ScreenGrabber {
public:
    // Nothing when the display does not open.
    static std::unique_ptr<X11ScreenGrabber> open(const std::string& displayName);
    ~X11ScreenGrabber();
    X11ScreenGrabber(const X11ScreenGrabber&) = delete;
    X11ScreenGrabber& operator=(const X11ScreenGrabber&) = delete;

    X11Display& display() const { return *display_; }

    // The primary monitor, else the first; the whole screen where the server does not tell its
    // monitors; none when it has none.
    std::optional<EwmhWorkspace::Area> mainMonitor() const;
    // The pixels of `area` of the root window; none when the server refuses them.
    std::optional<BgrxImage> grab(const EwmhWorkspace::Area& area);
    // Whether the last grab went through shared memory.
    bool sharedMemory() const { return segment_ != nullptr; }
    // Draws the pointer as it is now into `image`, a grab of `area`.
    void drawPointer(BgrxImage& image, const EwmhWorkspace::Area& area) const;

    // A plain image request, without shared memory.
    std::optional<BgrxImage> grabWithoutSharedMemory(const EwmhWorkspace::Area& area);

    struct Segment;

private:
    explicit X11ScreenGrabber(std::shared_ptr<X11Display> display);
    Segment* segmentFor(int width, int height);

    std::shared_ptr<X11Display> display_;
    bool canShare_ = false;
    bool hasFixes_ = false;
    std::unique_ptr<Segment> segment_;
};

} // namespace tarvo
