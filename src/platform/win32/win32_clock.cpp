// The local clock.
#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {

SYSTEMTIME GetLocalTime() {
    ::SYSTEMTIME now{};
    ::GetLocalTime(&now);
    SYSTEMTIME time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.dayOfWeek = now.wDayOfWeek;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

}  // namespace tavrin::platform
