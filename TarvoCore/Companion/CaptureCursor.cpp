#include "TarvoCore/Companion/CaptureCursor.h"

#include <algorithm>
#include <cmath>

#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

using Date = CaptureCursor::Date;
using Seconds = CaptureCursor::Seconds;

// 2001-01-01T00:00:00Z, the reference date of the coded form.
constexpr std::chrono::seconds referenceDate{978307200};

// The clock counts nanoseconds in 64 bits, about 292 years either side of 1970. A date past
// either end (a stored 1e300, a span of a million days) is held a second inside that end, so
// that no conversion can round past it.
const double latestSeconds = Seconds(Date::duration::max()).count() - 1.0;

Date heldInRange(Seconds sinceEpoch) {
    const double seconds = std::isnan(sinceEpoch.count())
                               ? -latestSeconds
                               : std::clamp(sinceEpoch.count(), -latestSeconds, latestSeconds);
    // A double holds today's dates to well under a microsecond; rounding there gives back the
    // date that was written.
    return Date(std::chrono::round<std::chrono::microseconds>(Seconds(seconds)));
}

bool isInRange(Seconds seconds) { return std::abs(seconds.count()) <= latestSeconds; }

Date minus(Date date, Seconds seconds) {
    const Seconds result = Seconds(date.time_since_epoch()) - seconds;
    if (isInRange(seconds) && isInRange(result)) return date - std::chrono::duration_cast<Date::duration>(seconds);
    return heldInRange(result);
}

} // namespace

CaptureCursor CaptureCursor::initial(Date now, int days) {
    return {minus(now, Seconds(static_cast<double>(days) * 86400.0))};
}

void CaptureCursor::advance(Date to, Seconds overlap) {
    const Date candidate = minus(to, overlap);
    if (candidate > lastMessageDate) lastMessageDate = candidate;
}

LiveWindow CaptureCursor::liveWindow(Date now, Seconds span) const {
    const Date start = minus(now, span);
    if (lastMessageDate < start) return {start, false};
    return {lastMessageDate, true};
}

Json CaptureCursor::toJson() const {
    const Seconds sinceReference = Seconds(lastMessageDate.time_since_epoch()) - Seconds(referenceDate);
    return Json{{"lastMessageDate", sinceReference.count()}};
}

CaptureCursor CaptureCursor::fromJson(const Json& json) {
    const double sinceReference = JsonReader(json).number("lastMessageDate");
    return {heldInRange(Seconds(referenceDate) + Seconds(sinceReference))};
}

} // namespace tarvo
