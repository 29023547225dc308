// The local clock over POSIX calls.
#include <time.h>

#include "platform/clock.h"

namespace tavrin::platform {
namespace {

class PosixClock final : public Clock {
public:
    SYSTEMTIME Now() const override {
        timespec now{};
        tm local{};
        // Both fail only for times beyond the calendar's range, which the
        // real-time clock never reaches; the year 0 then marks the time as unknown.
        if (::clock_gettime(CLOCK_REALTIME, &now) != 0 ||
            ::localtime_r(&now.tv_sec, &local) == nullptr) {
            return SYSTEMTIME{};
        }
        SYSTEMTIME time;
        time.year = static_cast<std::uint16_t>(local.tm_year + 1900);
        time.month = static_cast<std::uint16_t>(local.tm_mon + 1);
        time.dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
        time.day = static_cast<std::uint16_t>(local.tm_mday);
        time.hour = static_cast<std::uint16_t>(local.tm_hour);
        time.minute = static_cast<std::uint16_t>(local.tm_min);
        time.second = static_cast<std::uint16_t>(local.tm_sec);
        time.milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1'000'000);
        return time;
    }
};

}  // namespace

const Clock& SystemClock() {
    static const PosixClock clock;
    return clock;
}

}  // namespace tavrin::platform
