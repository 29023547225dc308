#include "alarms/alarm_time.h"

#include <chrono>
#include <cstdio>

namespace tavrin {
namespace {

bool IsLeapYear(unsigned year) {
    return std::chrono::year{static_cast<int>(year)}.is_leap();
}

std::uint16_t DaysInMonth(const SYSTEMTIME& time) {
    if (time.month == 2 && IsLeapYear(time.year)) return 29;
    return time.month < MonthLengths.size() ? MonthLengths[time.month] : 31;
}

std::uint16_t Narrow(unsigned value) { return static_cast<std::uint16_t>(value); }

// Cuts a UTF-8 text to at most `limit` - 1 characters, never inside one.
void LimitCharacters(std::string& text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter && ++characters == limit) {
            text.resize(i);
            return;
        }
    }
}

// A locale text counts only when it fits its 128-character buffer, as the
// platform's own call fails on a buffer too small.
bool LocaleText(bool delivered, const std::string& text) {
    if (!delivered) return false;
    std::string limited = text;
    LimitCharacters(limited, kLocaleTextLimit);
    return limited.size() == text.size();
}

std::string TimeAndDateText(const SYSTEMTIME& time, const platform::LocaleTexts& locale) {
    std::string date;
    std::string clock;
    if (LocaleText(locale.ShortDate(time, date), date) &&
        LocaleText(locale.TimeWithoutSeconds(time, clock), clock)) {
        return clock + ", " + date;
    }
    char numeric[40];
    std::snprintf(numeric, sizeof numeric, "%02u:%02u, %02u-%02u-%04u", unsigned{time.hour},
                  unsigned{time.minute}, unsigned{time.day}, unsigned{time.month},
                  unsigned{time.year});
    return numeric;
}

}  // namespace

void AddDays(SYSTEMTIME* time, std::uint16_t count) {
    if (time == nullptr) return;
    time->day = Narrow(time->day + count);
    if (time->day <= DaysInMonth(*time)) return;
    // Callers add one day at a time, so the carry always lands on the 1st.
    time->day = 1;
    time->month = Narrow(time->month + 1U);
    if (time->month > 12) {
        time->month = 1;
        time->year = Narrow(time->year + 1U);
    }
}

void AddHours(SYSTEMTIME* time, std::uint16_t count) {
    if (time == nullptr) return;
    const unsigned hour = time->hour + unsigned{count};
    if (hour > 23) AddDays(time, Narrow(hour / 24));
    time->hour = Narrow(hour % 24);
}

void AddMinutes(SYSTEMTIME* time, std::uint16_t count) {
    if (time == nullptr) return;
    const unsigned minute = time->minute + unsigned{count};
    if (minute > 59) AddHours(time, Narrow(minute / 60));
    time->minute = Narrow(minute % 60);
}

void AddSeconds(SYSTEMTIME* time, std::uint16_t count) {
    if (time == nullptr) return;
    const unsigned second = time->second + unsigned{count};
    time->second = Narrow(second);
    if (second > 59) {
        AddMinutes(time, Narrow(second / 60));
        time->second = 0;
    }
}

std::uint64_t TimeToSeconds(const SYSTEMTIME& time) {
    using namespace std::chrono;
    // Month arithmetic from January keeps out-of-range fields well defined
    // (month 0 is December before, day 32 runs into the next month).
    const year_month month = year{time.year} / January + months{int{time.month} - 1};
    const sys_days date = sys_days{month / 1} + days{int{time.day} - 1};
    constexpr sys_days kEpoch = sys_days{year{1601} / January / 1};
    const auto elapsed = (date - kEpoch) + hours{time.hour} + minutes{time.minute} +
                         seconds{time.second};
    return static_cast<std::uint64_t>(duration_cast<seconds>(elapsed).count());
}

int FormatTimeText(SYSTEMTIME time, const char* format, std::string* output,
                   const platform::LocaleTexts& locale, std::size_t limit) {
    if (format == nullptr || output == nullptr || time.year == 0) return 0;
    // Only the one "%s" is filled in; the formats are the program's own.
    std::string text = format;
    if (const auto slot = text.find("%s"); slot != std::string::npos) {
        text.replace(slot, 2, TimeAndDateText(time, locale));
    }
    LimitCharacters(text, limit);
    *output = std::move(text);
    return 1;
}

std::string TitleText(std::string_view programName, const SYSTEMTIME* alarmTime,
                      const platform::LocaleTexts& locale) {
    std::string title;
    if (alarmTime != nullptr) FormatTimeText(*alarmTime, "[%s] ", &title, locale);
    title += programName;
    LimitCharacters(title, kTitleTextLimit);
    return title;
}

}  // namespace tavrin
