// The local clock against the C library's own reading of the time.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/clock.h"

namespace tavrin::platform {
namespace {

TEST(ClockTest, GivesTheLocalDateWithItsDayOfWeek) {
    const std::time_t before = std::time(nullptr);
    const SYSTEMTIME now = GetLocalTime();
    const std::time_t after = std::time(nullptr);

    std::tm local{};
    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    fields.tm_isdst = -1;
    const std::time_t read = std::mktime(&fields);
    EXPECT_GE(read, before);
    EXPECT_LE(read, after);
    ASSERT_NE(localtime_r(&read, &local), nullptr);
    EXPECT_EQ(now.dayOfWeek, local.tm_wday) << "0 is Sunday";
    EXPECT_LT(now.milliseconds, 1000);
}

}  // namespace
}  // namespace tavrin::platform
