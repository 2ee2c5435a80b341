#include <gtest/gtest.h>

#include "TarvoBase/TarvoDate.h"

using namespace std::chrono;
using tarvo::TarvoDate;

namespace {

system_clock::time_point at(int y, unsigned mo, unsigned d, int h, int mi, int s, nanoseconds extra = {}) {
    return sys_days(year(y) / month(mo) / day(d)) + hours(h) + minutes(mi) + seconds(s) + extra;
}

} // namespace

TEST(TarvoDate, FormatsUtcWithThreeFractionalDigits) {
    struct Case {
        system_clock::time_point instant;
        const char* text;
    };
    for (const auto& c : std::initializer_list<Case>{
             {at(2024, 3, 5, 14, 7, 9, milliseconds(123)), "2024-03-05T14:07:09.123Z"},
             {at(2024, 3, 5, 14, 7, 9), "2024-03-05T14:07:09.000Z"},
             {at(2024, 12, 31, 23, 59, 59, milliseconds(999)), "2024-12-31T23:59:59.999Z"},
             {at(2024, 12, 31, 23, 59, 59, nanoseconds(999'999'999)), "2024-12-31T23:59:59.999Z"},
             {at(2024, 2, 29, 0, 0, 0, microseconds(1500)), "2024-02-29T00:00:00.001Z"},
             {system_clock::time_point{}, "1970-01-01T00:00:00.000Z"},
             {system_clock::time_point{} - milliseconds(1), "1969-12-31T23:59:59.999Z"},
         }) {
        EXPECT_EQ(TarvoDate::format(c.instant), c.text);
    }
}

TEST(TarvoDate, ParsesTheSameFormAndOffsets) {
    struct Case {
        const char* text;
        std::optional<system_clock::time_point> instant;
    };
    for (const auto& c : std::initializer_list<Case>{
             {"2024-03-05T14:07:09.123Z", at(2024, 3, 5, 14, 7, 9, milliseconds(123))},
             {"2024-03-05T14:07:09Z", at(2024, 3, 5, 14, 7, 9)},
             {"2024-03-05T14:07:09.5Z", at(2024, 3, 5, 14, 7, 9, milliseconds(500))},
             {"2024-03-05T14:07:09.123456789123Z", at(2024, 3, 5, 14, 7, 9, nanoseconds(123456789))},
             {"2024-03-05T16:07:09.000+02:00", at(2024, 3, 5, 14, 7, 9)},
             {"2024-03-04T23:37:09.000-14:30", at(2024, 3, 5, 14, 7, 9)},
             {"2024-02-29T00:00:00Z", at(2024, 2, 29, 0, 0, 0)},
             {"2023-02-29T00:00:00Z", std::nullopt},
             {"2024-13-01T00:00:00Z", std::nullopt},
             {"2024-03-05T24:00:00Z", std::nullopt},
             {"2024-03-05T14:07:60Z", std::nullopt},
             {"2024-03-05T14:07:09.Z", std::nullopt},
             {"2024-03-05T14:07:09", std::nullopt},
             {"2024-03-05 14:07:09Z", std::nullopt},
             {"2024-03-05T14:07:09Z ", std::nullopt},
             {"2024-3-05T14:07:09Z", std::nullopt},
             {"", std::nullopt},
         }) {
        EXPECT_EQ(TarvoDate::parse(c.text), c.instant) << c.text;
    }
    const auto now = floor<milliseconds>(system_clock::now());
    EXPECT_EQ(TarvoDate::parse(TarvoDate::format(now)), now);
}
