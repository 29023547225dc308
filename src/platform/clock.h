// The local clock. Whatever reads "now" is handed a Clock, so that tests can
// pin the time instead of racing the real one.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace tavrin::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time, day of week and milliseconds included,
    // in the time zone the machine has now (a zone changed while the program
    // runs is followed).
    virtual SYSTEMTIME Now() const = 0;
    // When the local time `wall` comes on this clock: `wall` itself when the
    // clock shows it (the first time, where the clocks go back and show it
    // twice), or the first time after the gap where the clocks skip it (the
    // hour lost when daylight-saving time starts: 02:30 becomes 03:00).
    virtual SYSTEMTIME ExistingTime(const SYSTEMTIME& wall) const = 0;
};

// The machine's local clock.
const Clock& SystemClock();

// What a clock shows at the instant `utcSeconds` (seconds since 1970, UTC);
// asked only for instants of the years 1970 to 9999.
using LocalTimeAt = std::function<SYSTEMTIME(std::int64_t utcSeconds)>;

// Seconds since 1970 of a calendar time read as if it were UTC.
inline std::int64_t WallSeconds(const SYSTEMTIME& time) {
    using namespace std::chrono;
    const sys_seconds instant = sys_days{year{time.year} / month{time.month} / day{time.day}} +
                                hours{time.hour} + minutes{time.minute} + seconds{time.second};
    return instant.time_since_epoch().count();
}

// Clock::ExistingTime for a zone given by what its clock shows at each
// instant. The zone's offset a few days before and after `wall` gives the
// instants that could show it; where neither does, `wall` lies in a gap,
// whose end is searched between them.
// A time that is no calendar time (30 February, 24:00) is given back as it is.
inline SYSTEMTIME FirstExistingLocalTime(const SYSTEMTIME& wall, const LocalTimeAt& localAt) {
    using namespace std::chrono;
    constexpr std::int64_t kAround = 3 * 24 * 3600;
    const year_month_day date{year{wall.year}, month{wall.month}, day{wall.day}};
    if (!date.ok() || wall.year < 1971 || wall.year > 9998 || wall.hour > 23 || wall.minute > 59 || wall.second > 59) {
        return wall;
    }
    const std::int64_t target = WallSeconds(wall);
    const auto offsetAt = [&](std::int64_t t) { return WallSeconds(localAt(t)) - t; };
    const std::int64_t before = offsetAt(target - kAround);
    const std::int64_t after = offsetAt(target + kAround);
    // The larger offset names the earlier instant: the first of two that show `wall`.
    const std::int64_t early = target - std::max(before, after);
    const std::int64_t late = target - std::min(before, after);
    if (WallSeconds(localAt(early)) == target || WallSeconds(localAt(late)) == target) return wall;
    if (early == late) return wall;
    // The clock shows less than `wall` at `early` and more at `late`: the
    // first instant at which it shows `wall` or later ends the gap.
    std::int64_t shortOf = early;
    std::int64_t past = late;
    while (past - shortOf > 1) {
        const std::int64_t middle = shortOf + (past - shortOf) / 2;
        (WallSeconds(localAt(middle)) < target ? shortOf : past) = middle;
    }
    return localAt(past);
}

}  // namespace tavrin::platform
