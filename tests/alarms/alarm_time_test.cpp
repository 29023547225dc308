#include "alarms/alarm_time.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/calendar_time.h"
#include "support/fixed_locale.h"

namespace tavrin {
namespace {

using testing::FixedLocale;
using testing::Time;

enum class Unit { Days, Hours, Minutes, Seconds };

struct CarryCase {
    const char* name;
    SYSTEMTIME start;
    Unit unit;
    std::uint16_t count;
    SYSTEMTIME expected;
};

void Add(SYSTEMTIME* time, Unit unit, std::uint16_t count) {
    switch (unit) {
        case Unit::Days: AddDays(time, count); break;
        case Unit::Hours: AddHours(time, count); break;
        case Unit::Minutes: AddMinutes(time, count); break;
        case Unit::Seconds: AddSeconds(time, count); break;
    }
}

class CarryTest : public ::testing::TestWithParam<CarryCase> {};

TEST_P(CarryTest, CarriesIntoLargerFieldsAndKeepsDayOfWeekAndMilliseconds) {
    const CarryCase& c = GetParam();
    SYSTEMTIME time = c.start;
    Add(&time, c.unit, c.count);
    EXPECT_EQ(time, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    AlarmTime, CarryTest,
    ::testing::Values(
        CarryCase{"MinuteIntoNextDay", Time(2006, 5, 9, 23, 58, 10), Unit::Minutes, 2,
                  Time(2006, 5, 10, 0, 0, 10)},
        CarryCase{"MinutesIntoNextYear", Time(2005, 12, 31, 23, 30), Unit::Minutes, 45,
                  Time(2006, 1, 1, 0, 15)},
        CarryCase{"HoursIntoNextDay", Time(2006, 5, 9, 22, 0), Unit::Hours, 8,
                  Time(2006, 5, 10, 6, 0)},
        CarryCase{"HourIntoNextMonth", Time(2006, 4, 30, 23, 0), Unit::Hours, 1,
                  Time(2006, 5, 1, 0, 0)},
        CarryCase{"DayIntoFebruary", Time(2006, 1, 31), Unit::Days, 1, Time(2006, 2, 1)},
        CarryCase{"Feb28In2005IsLastDay", Time(2005, 2, 28), Unit::Days, 1, Time(2005, 3, 1)},
        CarryCase{"Feb28In2004HasLeapDay", Time(2004, 2, 28), Unit::Days, 1, Time(2004, 2, 29)},
        CarryCase{"LeapDay2004IntoMarch", Time(2004, 2, 29), Unit::Days, 1, Time(2004, 3, 1)},
        CarryCase{"Year1900IsNotLeap", Time(1900, 2, 28), Unit::Days, 1, Time(1900, 3, 1)},
        CarryCase{"Year2000IsLeap", Time(2000, 2, 28), Unit::Days, 1, Time(2000, 2, 29)},
        CarryCase{"DayIntoNextYear", Time(2005, 12, 31), Unit::Days, 1, Time(2006, 1, 1)},
        CarryCase{"SecondIntoNextYear", Time(2005, 12, 31, 23, 59, 59, 250), Unit::Seconds, 1,
                  Time(2006, 1, 1, 0, 0, 0, 250)},
        CarryCase{"SecondWithinMinute", Time(2006, 5, 9, 10, 0, 37), Unit::Seconds, 1,
                  Time(2006, 5, 9, 10, 0, 38)}),
    [](const ::testing::TestParamInfo<CarryCase>& param) { return std::string(param.param.name); });

// A missing time is no call to fail: each addition returns without touching
// memory (the sanitizer build fails on a read through the null pointer), and
// a count of zero leaves a time exactly as it was, even on the last
// millisecond of a leap day.
TEST(AlarmTime, MissingTimeAndZeroCountChangeNothing) {
    const SYSTEMTIME leapDayEnd = Time(2004, 2, 29, 23, 59, 59, 999);
    for (const Unit unit : {Unit::Days, Unit::Hours, Unit::Minutes, Unit::Seconds}) {
        SCOPED_TRACE(static_cast<int>(unit));
        Add(nullptr, unit, 1);
        SYSTEMTIME time = leapDayEnd;
        Add(&time, unit, 0);
        EXPECT_EQ(time, leapDayEnd);
    }
}

TEST(AlarmTime, SecondCountsIgnoreMillisecondsAndCountWholeDays) {
    EXPECT_EQ(TimeToSeconds(Time(2004, 2, 3, 7, 5, 9, 0)),
              TimeToSeconds(Time(2004, 2, 3, 7, 5, 9, 999)));
    EXPECT_EQ(TimeToSeconds(Time(2004, 3, 1)) - TimeToSeconds(Time(2004, 2, 29)), 86'400U);
    EXPECT_EQ(TimeToSeconds(Time(2005, 1, 1)) - TimeToSeconds(Time(2004, 1, 1)), 366U * 86'400);
    EXPECT_EQ(TimeToSeconds(Time(1601, 1, 1)), 0U);
    // The platform's file time of 2000-01-01 00:00 is 125911584000000000.
    EXPECT_EQ(TimeToSeconds(Time(2000, 1, 1)), 12'591'158'400U);
}

TEST(FormatTimeText, UsesTimeThenDateOfTheLocale) {
    std::string out;
    EXPECT_EQ(FormatTimeText(Time(2004, 2, 3, 7, 5), "<%s>", &out, FixedLocale(true, true)), 1);
    EXPECT_EQ(out, "<time:x, date:x>");
}

TEST(FormatTimeText, FallsBackToTheNumericFormAsAWhole) {
    for (const auto& locale : {FixedLocale(false, true), FixedLocale(true, false),
                               FixedLocale(true, true, std::string(128, 'y'))}) {
        std::string out;
        EXPECT_EQ(FormatTimeText(Time(2004, 2, 3, 7, 5), "%s", &out, locale), 1);
        EXPECT_EQ(out, "07:05, 03-02-2004");
    }
}

TEST(FormatTimeText, WritesNothingForYearZeroOrMissingArguments) {
    std::string out = "untouched";
    const FixedLocale locale(true, true);
    EXPECT_EQ(FormatTimeText(Time(0, 2, 3, 7, 5), "%s", &out, locale), 0);
    EXPECT_EQ(FormatTimeText(Time(2004, 2, 3), nullptr, &out, locale), 0);
    EXPECT_EQ(FormatTimeText(Time(2004, 2, 3), "%s", nullptr, locale), 0);
    EXPECT_EQ(out, "untouched");
}

TEST(FormatTimeText, CutsTheResultToTheCallersBuffer) {
    std::string out;
    std::string format;
    for (int i = 0; i < 300; ++i) format += "\xC3\xA9";  // é
    format += "%s";
    FormatTimeText(Time(2004, 2, 3), format.c_str(), &out, FixedLocale(true, true));
    EXPECT_EQ(out, format.substr(0, 259 * 2));
    // A larger buffer of the caller's keeps the whole text.
    FormatTimeText(Time(2004, 2, 3), format.c_str(), &out, FixedLocale(true, true), 1024);
    EXPECT_EQ(out, format.substr(0, 300 * 2) + "time:x, date:x");
}

TEST(FormatTimeText, FollowsAPinnedLocale) {
    platform::PinUserLocale("de_DE");
    std::string out;
    FormatTimeText(Time(2004, 2, 3, 7, 5), "%s", &out);
    // The German short date: day, month, year with dots, whether the platform
    // writes leading zeros and the century or not.
    EXPECT_THAT(out, ::testing::MatchesRegex("07:05, 0?3\\.0?2\\.2?0?04"));
    platform::PinUserLocale("C");
}

TEST(FormatTimeText, LeavesOutTheSecondsInEveryLocale) {
    for (const char* locale : {"C", "en_US", "de_DE", "fr_FR", "ja_JP"}) {
        platform::PinUserLocale(locale);
        std::string out;
        FormatTimeText(Time(2004, 2, 3, 7, 5, 9), "%s", &out);
        EXPECT_THAT(out, ::testing::Not(::testing::HasSubstr("09"))) << locale;
        EXPECT_THAT(out, ::testing::HasSubstr("05")) << locale;
    }
    platform::PinUserLocale("C");
}

TEST(TitleText, ShowsTheAlarmBeforeTheProgramName) {
    const SYSTEMTIME alarm = Time(2005, 12, 31, 21, 30);
    const SYSTEMTIME unset{};
    EXPECT_EQ(TitleText("Tavrin", &alarm, FixedLocale(false, false)), "[21:30, 31-12-2005] Tavrin");
    EXPECT_EQ(TitleText("TavrinView", nullptr, FixedLocale(false, false)), "TavrinView");
    EXPECT_EQ(TitleText("Tavrin", &unset, FixedLocale(false, false)), "Tavrin");
}

}  // namespace
}  // namespace tavrin
