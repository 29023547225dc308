// What only the POSIX clock does: it follows a time zone changed while the
// program runs, and reads the zone database's gaps.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "support/calendar_time.h"
#include "support/scoped_zone.h"

namespace tavrin::platform {
namespace {

using testing::ScopedZone;
using testing::Time;

TEST(PosixClockTest, FollowsTheZoneChangedWhileItRuns) {
    ScopedZone zone("UTC0");
    // The first reading fixes the zone in the C library until it is asked again.
    const SYSTEMTIME atHome = SystemClock().Now();
    zone.Set("IST-05:30");
    const SYSTEMTIME abroad = SystemClock().Now();
    const std::int64_t ahead = WallSeconds(abroad) - WallSeconds(atHome);
    constexpr std::int64_t kFiveAndAHalfHours = 5 * 3600 + 1800;
    EXPECT_GE(ahead, kFiveAndAHalfHours - 2);
    EXPECT_LE(ahead, kFiveAndAHalfHours + 2);
}

TEST(PosixClockTest, TimesTheClocksSkipComeAtTheGapsEnd) {
    const struct {
        const char* zone;
        SYSTEMTIME wall;
        SYSTEMTIME expected;
    } cases[] = {
        {"Europe/Berlin", Time(2030, 3, 31, 2, 30, 0), Time(2030, 3, 31, 3, 0, 0, 0, 0)},
        {"Europe/Berlin", Time(2030, 10, 27, 2, 30, 0), Time(2030, 10, 27, 2, 30, 0)},
        {"America/New_York", Time(2030, 3, 10, 2, 30, 0), Time(2030, 3, 10, 3, 0, 0, 0, 0)},
        {"America/New_York", Time(2030, 3, 31, 2, 30, 0), Time(2030, 3, 31, 2, 30, 0)},
        {"Australia/Lord_Howe", Time(2030, 10, 6, 2, 15, 0), Time(2030, 10, 6, 2, 30, 0, 0, 0)},
        {"Pacific/Apia", Time(2011, 12, 30, 12, 0, 0), Time(2011, 12, 31, 0, 0, 0, 0, 6)},
        {"UTC0", Time(2030, 3, 31, 2, 30, 0), Time(2030, 3, 31, 2, 30, 0)},
    };
    for (const auto& [name, wall, expected] : cases) {
        ScopedZone zone(name);
        EXPECT_EQ(SystemClock().ExistingTime(wall), expected) << name;
    }
}

}  // namespace
}  // namespace tavrin::platform
