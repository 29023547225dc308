// The local clock against the C library's own reading of the time.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/clock.h"

namespace tavrin::platform {
namespace {

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

}  // namespace
}  // namespace tavrin::platform
