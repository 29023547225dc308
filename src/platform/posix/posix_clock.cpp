// The local clock over POSIX calls.
#include <time.h>

#include "platform/clock.h"

namespace tavrin::platform {
namespace {

// The local time at `seconds`, in the zone the machine has now. localtime_r
// need not look at TZ or /etc/localtime again once the zone is read; tzset()
// makes it, so that a zone changed while the program runs (the user
// travelled) is followed. Fails only for times beyond the calendar's range,
// which the real-time clock never reaches: the year 0 then marks the time as
// unknown.
SYSTEMTIME LocalTimeAt(time_t seconds, std::uint16_t milliseconds) {
    ::tzset();
    tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return SYSTEMTIME{};
    SYSTEMTIME time;
    time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time.day = static_cast<std::uint16_t>(local.tm_mday);
    time.hour = static_cast<std::uint16_t>(local.tm_hour);
    time.minute = static_cast<std::uint16_t>(local.tm_min);
    time.second = static_cast<std::uint16_t>(local.tm_sec);
    time.milliseconds = milliseconds;
    return time;
}

class PosixClock final : public Clock {
public:
    SYSTEMTIME Now() const override {
        timespec now{};
        if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return SYSTEMTIME{};
        return LocalTimeAt(now.tv_sec, static_cast<std::uint16_t>(now.tv_nsec / 1'000'000));
    }

    SYSTEMTIME ExistingTime(const SYSTEMTIME& wall) const override {
        return FirstExistingLocalTime(
            wall, [](std::int64_t seconds) { return LocalTimeAt(static_cast<time_t>(seconds), 0); });
    }
};

}  // namespace

const Clock& SystemClock() {
    static const PosixClock clock;
    return clock;
}

}  // namespace tavrin::platform
