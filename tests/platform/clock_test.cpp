// The local clock against the C library's own reading of the time, and the
// first existing local time in zones whose clocks skip or repeat an hour.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "platform/clock.h"
#include "support/calendar_time.h"

namespace tavrin::platform {
namespace {

using testing::Time;

TEST(ClockTest, GivesTheLocalDateWithItsDayOfWeek) {
    const std::time_t before = std::time(nullptr);
    const SYSTEMTIME now = SystemClock().Now();
    const std::time_t after = std::time(nullptr);

    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    fields.tm_isdst = -1;
    const std::time_t read = std::mktime(&fields);
    // The C library's time() may read a coarse clock a tick behind the
    // backend's: a second either way is the same reading.
    EXPECT_GE(read, before - 1);
    EXPECT_LE(read, after + 1);
    const std::tm* local = std::localtime(&read);
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(now.dayOfWeek, local->tm_wday) << "0 is Sunday";
    EXPECT_LT(now.milliseconds, 1000);
}

// A zone whose offset from UTC changes at given instants.
struct ModelZone {
    struct Change {
        SYSTEMTIME utc;         // from this instant on
        std::int64_t offset;    // seconds east of UTC
    };
    std::int64_t firstOffset;
    std::vector<Change> changes;

    SYSTEMTIME At(std::int64_t utcSeconds) const {
        std::int64_t offset = firstOffset;
        for (const Change& change : changes) {
            if (utcSeconds >= WallSeconds(change.utc)) offset = change.offset;
        }
        using namespace std::chrono;
        const sys_seconds local{seconds{utcSeconds + offset}};
        const sys_days days = floor<std::chrono::days>(local);
        const year_month_day date{days};
        const hh_mm_ss clock{local - days};
        return Time(static_cast<int>(date.year()), static_cast<int>(unsigned{date.month()}),
                    static_cast<int>(unsigned{date.day()}), static_cast<int>(clock.hours().count()),
                    static_cast<int>(clock.minutes().count()),
                    static_cast<int>(clock.seconds().count()), 0,
                    static_cast<int>(weekday{days}.c_encoding()));
    }
};

constexpr std::int64_t kHour = 3600;
// Central Europe in 2030: summer time from 31 March 01:00 UTC to 27 October 01:00 UTC.
const ModelZone kBerlin{kHour, {{Time(2030, 3, 31, 1), 2 * kHour}, {Time(2030, 10, 27, 1), kHour}}};
// Lord Howe Island moves its clocks by half an hour.
const ModelZone kLordHowe{
    10 * kHour + kHour / 2, {{Time(2030, 10, 5, 15, 30), 11 * kHour}}};
// Samoa went from UTC-10 to UTC+14 on 30 December 2011: that day never came.
const ModelZone kSamoa{-10 * kHour, {{Time(2011, 12, 30, 10), 14 * kHour}}};

TEST(ClockTest, FirstExistingTimeIsTheGapsEndForTimesTheClocksSkip) {
    const struct {
        const char* why;
        const ModelZone& zone;
        SYSTEMTIME wall;
        SYSTEMTIME expected;
    } cases[] = {
        {"an ordinary time", kBerlin, Time(2030, 5, 3, 7, 15, 42, 250), Time(2030, 5, 3, 7, 15, 42, 250)},
        {"the last second before the gap", kBerlin, Time(2030, 3, 31, 1, 59, 59), Time(2030, 3, 31, 1, 59, 59)},
        {"the gap's first second", kBerlin, Time(2030, 3, 31, 2, 0, 0), Time(2030, 3, 31, 3, 0, 0, 0, 0)},
        {"inside the gap", kBerlin, Time(2030, 3, 31, 2, 30, 0), Time(2030, 3, 31, 3, 0, 0, 0, 0)},
        {"the gap's last second", kBerlin, Time(2030, 3, 31, 2, 59, 59), Time(2030, 3, 31, 3, 0, 0, 0, 0)},
        {"the gap's end", kBerlin, Time(2030, 3, 31, 3, 0, 0), Time(2030, 3, 31, 3, 0, 0)},
        {"a time shown twice", kBerlin, Time(2030, 10, 27, 2, 30, 0), Time(2030, 10, 27, 2, 30, 0)},
        {"a half-hour gap", kLordHowe, Time(2030, 10, 6, 2, 15, 0), Time(2030, 10, 6, 2, 30, 0, 0, 0)},
        {"a day that never came", kSamoa, Time(2011, 12, 30, 12, 0, 0), Time(2011, 12, 31, 0, 0, 0, 0, 6)},
        {"no calendar time", kBerlin, Time(2030, 2, 30, 2, 30, 0), Time(2030, 2, 30, 2, 30, 0)},
    };
    for (const auto& [why, zone, wall, expected] : cases) {
        EXPECT_EQ(FirstExistingLocalTime(wall, [&zone](std::int64_t t) { return zone.At(t); }), expected)
            << why;
    }
}

TEST(ClockTest, TheMachinesClockGivesAnOrdinaryTimeBack) {
    // No zone skips noon in May.
    const SYSTEMTIME noon = Time(2030, 5, 3, 12, 0, 0, 500);
    EXPECT_EQ(SystemClock().ExistingTime(noon), noon);
}

}  // namespace
}  // namespace tavrin::platform
