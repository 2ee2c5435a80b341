#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

// The one text form of every instant sent to the service: UTC, always three fractional digits and
// a closing "Z", such as 2024-03-05T14:07:09.123Z.
class TarvoDate {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    // Milliseconds are cut, never rounded up, so an instant never reads later than it was.
    static std::string format(TimePoint instant);

    // The same form as it arrives in answers: "YYYY-MM-DDTHH:MM:SS", an optional fraction of any
    // number of digits, then "Z" or an offset "+HH:MM" / "-HH:MM". Nothing for anything else,
    // including impossible dates such as February 30th.
    static std::optional<TimePoint> parse(std::string_view text);
};

} // namespace tarvo
