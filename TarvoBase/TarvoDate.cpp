#include "TarvoBase/TarvoDate.h"

#include <fmt/format.h>

namespace tarvo {
namespace {

using namespace std::chrono;

// Reads exactly `count` ASCII digits at `at`, advancing past them.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    at += count;
    return value;
}

bool literal(std::string_view text, std::size_t& at, char expected) {
    if (at >= text.size() || text[at] != expected) return false;
    ++at;
    return true;
}

// The fraction's digits as nanoseconds; digits past the ninth are below the clock's resolution.
nanoseconds fraction(std::string_view text, std::size_t& at) {
    std::int64_t nanos = 0;
    int taken = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (taken < 9) {
            nanos = nanos * 10 + (text[at] - '0');
            ++taken;
        }
        ++at;
    }
    for (; taken < 9; ++taken) nanos *= 10;
    return nanoseconds(nanos);
}

} // namespace

std::string TarvoDate::format(TimePoint instant) {
    const auto millis = floor<milliseconds>(instant);
    const auto day = floor<days>(millis);
    const year_month_day date(day);
    const hh_mm_ss<milliseconds> time(millis - day);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}.{:03}Z", static_cast<int>(date.year()),
                       static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                       time.hours().count(), time.minutes().count(), time.seconds().count(),
                       time.subseconds().count());
}

std::optional<TarvoDate::TimePoint> TarvoDate::parse(std::string_view text) {
    std::size_t at = 0;
    const auto y = digits(text, at, 4);
    if (!y || !literal(text, at, '-')) return std::nullopt;
    const auto mo = digits(text, at, 2);
    if (!mo || !literal(text, at, '-')) return std::nullopt;
    const auto d = digits(text, at, 2);
    if (!d || !literal(text, at, 'T')) return std::nullopt;
    const auto h = digits(text, at, 2);
    if (!h || !literal(text, at, ':')) return std::nullopt;
    const auto mi = digits(text, at, 2);
    if (!mi || !literal(text, at, ':')) return std::nullopt;
    const auto s = digits(text, at, 2);
    if (!s) return std::nullopt;

    nanoseconds subsecond{0};
    if (literal(text, at, '.')) {
        const std::size_t start = at;
        subsecond = fraction(text, at);
        if (at == start) return std::nullopt;
    }

    minutes offset{0};
    if (!literal(text, at, 'Z')) {
        if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return std::nullopt;
        const int sign = text[at] == '-' ? -1 : 1;
        ++at;
        const auto oh = digits(text, at, 2);
        if (!oh || !literal(text, at, ':')) return std::nullopt;
        const auto om = digits(text, at, 2);
        if (!om || *oh > 23 || *om > 59) return std::nullopt;
        offset = minutes(sign * (*oh * 60 + *om));
    }
    if (at != text.size()) return std::nullopt;

    const year_month_day date{year(*y), month(static_cast<unsigned>(*mo)), day(static_cast<unsigned>(*d))};
    if (!date.ok() || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;

    const auto local = sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s);
    return time_point_cast<system_clock::duration>(local - offset + subsecond);
}

} // namespace tarvo
