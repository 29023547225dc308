// Alarm times: moving a local calendar time forward with carries, whole-second
// counts for comparing times, the one time-and-date text every time is shown
// in, and the window title that shows the current memo's alarm.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/locale_text.h"
#include "platform/types.h"

namespace tavrin {

// Days per month, indexed by month; February's leap day is added by the code.
inline constexpr std::array<std::uint16_t, 13> MonthLengths = {0,  31, 28, 31, 30, 31, 30,
                                                               31, 31, 30, 31, 30, 31};

// Buffer limits in characters (a terminating zero included, as in the
// original buffers): texts are cut to one character less.
inline constexpr std::size_t kLocaleTextLimit = 128;
inline constexpr std::size_t kTitleTextLimit = 260;

// The additions carry into the larger fields; the day of week and the
// milliseconds are never touched, and a missing time does nothing.
void AddDays(SYSTEMTIME* time, std::uint16_t count);
void AddHours(SYSTEMTIME* time, std::uint16_t count);
void AddMinutes(SYSTEMTIME* time, std::uint16_t count);
void AddSeconds(SYSTEMTIME* time, std::uint16_t count);

// Whole seconds since 1 January 1601 00:00 of the proleptic Gregorian
// calendar, the local time taken as it stands; milliseconds are dropped.
std::uint64_t TimeToSeconds(const SYSTEMTIME& time);

// Writes `format` into `output` with its one "%s" replaced by the
// time-and-date text: the locale's time without seconds and short date as
// "time, date", or "hh:mm, dd-mm-yyyy" as a whole when either locale text
// can't be had. The result is cut to the caller's buffer of `limit`
// characters. Returns 0 and writes nothing for a missing format or output
// or a time whose year is 0 (never set).
int FormatTimeText(SYSTEMTIME time, const char* format, std::string* output,
                   const platform::LocaleTexts& locale = platform::UserLocaleTexts(),
                   std::size_t limit = kTitleTextLimit);

// The window title: "[time and date] " followed by the program's name for
// an alarm, the name alone for none (or for an alarm whose year is 0).
std::string TitleText(std::string_view programName, const SYSTEMTIME* alarmTime,
                      const platform::LocaleTexts& locale = platform::UserLocaleTexts());

}  // namespace tavrin
