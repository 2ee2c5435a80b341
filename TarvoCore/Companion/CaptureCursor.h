#pragma once

#include <chrono>

#include "TarvoBase/Json.h"
#include "TarvoCore/Companion/LiveWindow.h"

namespace tarvo {

// The date after which the Messages capture resumes. It only ever moves forward. Dates stored or
// computed past what the clock can hold are held at its ends.
struct CaptureCursor {
    using Date = std::chrono::system_clock::time_point;
    using Seconds = std::chrono::duration<double>;

    Date lastMessageDate;

    static CaptureCursor initial(Date now, int days);

    void advance(Date to, Seconds overlap);
    LiveWindow liveWindow(Date now, Seconds span) const;

    // {"lastMessageDate": seconds since 2001-01-01T00:00:00Z}
    Json toJson() const;
    // Throws JsonReadError when the member is missing or not a number.
    static CaptureCursor fromJson(const Json& json);

    bool operator==(const CaptureCursor&) const = default;
};

} // namespace tarvo
