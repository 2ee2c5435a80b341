#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/X11Display.h"
#include "TarvoCore/Operator/OperatorSystemReadings.h"

namespace tarvo {

// What the X server tells of the desktop for the operator's capability reading, on a connection
// of its own. Each reading is nothing once the connection is lost, and where the server lacks
// the extension that tells it. Readings may be taken from several threads (the permissions' and
// the link's capability readings): they take turns, since errors are matched to requests by
// their serial numbers. Whether the displays sleep is `X11DisplayPower`'s.
class X11DesktopReadings {
public:
    explicit X11DesktopReadings(std::shared_ptr<X11Display> display) : display_(std::move(display)) {}

    const std::string& displayName() const { return display_->name(); }

    // The active monitors, and the size of the primary one, else of the first.
    std::optional<OperatorSystemReadings::Displays> displays() const;
    // Whether a pixel of the root window can be read.
    std::optional<bool> screenCaptureAllowed() const;
    // Whether the server takes synthetic input.
    std::optional<bool> postEventAllowed() const;
    // Whole seconds since the last input the server saw.
    std::optional<std::int64_t> idleSeconds() const;

private:
    Display* connection() const;
    template <class Value>
    std::optional<Value> unlessLost(Value value) const;

    std::shared_ptr<X11Display> display_;
    mutable std::mutex turn_;
};

} // namespace tarvo
