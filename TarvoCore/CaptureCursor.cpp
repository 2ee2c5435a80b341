#include "TarvoCore/CaptureCursor.h"

#include "TarvoBase/JsonReader.h"

namespace tarvo {
namespace {

using Date = CaptureCursor::Date;

Date minus(Date date, CaptureCursor::Seconds seconds) {
    return date - std::chrono::duration_cast<Date::duration>(seconds);
}

// 2001-01-01T00:00:00Z, the reference date of the coded form.
constexpr std::chrono::seconds referenceDate{978307200};

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
    const Seconds sinceReference = lastMessageDate.time_since_epoch() - referenceDate;
    return Json{{"lastMessageDate", sinceReference.count()}};
}

CaptureCursor CaptureCursor::fromJson(const Json& json) {
    const double sinceReference = JsonReader(json).number("lastMessageDate");
    // A double holds today's dates to well under a microsecond; rounding there gives back the
    // date that was written.
    return {Date(std::chrono::round<std::chrono::microseconds>(referenceDate + Seconds(sinceReference)))};
}

} // namespace tarvo
