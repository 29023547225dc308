// The local clock.
#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {
namespace {

// Seconds between 1601, where file times start, and 1970.
constexpr std::int64_t kFileTimeTo1970 = 11'644'473'600;
constexpr std::int64_t kFileTicksPerSecond = 10'000'000;

class Win32Clock final : public Clock {
public:
    SYSTEMTIME Now() const override {
        ::SYSTEMTIME now{};
        ::GetLocalTime(&now);
        return FromPlatformTime(now);
    }

    // The zone's own rules for each year (the dynamic zone's rules for the
    // instant's year), as the Task Scheduler reads its local times.
    SYSTEMTIME ExistingTime(const SYSTEMTIME& wall) const override {
        DYNAMIC_TIME_ZONE_INFORMATION zone{};
        if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return wall;
        return FirstExistingLocalTime(wall, [&zone](std::int64_t seconds) {
            const auto ticks =
                static_cast<std::uint64_t>((seconds + kFileTimeTo1970) * kFileTicksPerSecond);
            const FILETIME fileTime{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
            ::SYSTEMTIME utc{};
            ::SYSTEMTIME local{};
            TIME_ZONE_INFORMATION rules{};
            if (!::FileTimeToSystemTime(&fileTime, &utc) ||
                !::GetTimeZoneInformationForYear(utc.wYear, &zone, &rules) ||
                !::SystemTimeToTzSpecificLocalTime(&rules, &utc, &local)) {
                return SYSTEMTIME{};
            }
            return FromPlatformTime(local);
        });
    }
};

}  // namespace

const Clock& SystemClock() {
    static const Win32Clock clock;
    return clock;
}

}  // namespace tavrin::platform
