#include "platform/linux/systemd_units.h"

#include <array>
#include <cstdio>

#include <QStringDecoder>

namespace tavrin::platform::linux_desktop {
namespace {

bool IsLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

unsigned DaysInMonth(unsigned year, unsigned month) {
    static constexpr std::array<unsigned, 13> kLengths = {0,  31, 28, 31, 30, 31, 30,
                                                          31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kLengths[month];
}

// Every line of a unit file must be UTF-8.
bool IsUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    [[maybe_unused]] const QString decoded = decoder(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

bool HasCharacterSystemdRefusesInPaths(std::string_view path) {
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\'' || c == '\\' || byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

}  // namespace

std::optional<std::string> CalendarTime(const SYSTEMTIME& time) {
    // systemd's calendar stops at the year 2199.
    if (time.year < 1970 || time.year > 2199 || time.month < 1 || time.month > 12 ||
        time.day < 1 || time.day > DaysInMonth(time.year, time.month) || time.hour > 23 ||
        time.minute > 59 || time.second > 59) {
        return std::nullopt;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%04u-%02u-%02u %02u:%02u:%02u", unsigned{time.year},
                  unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                  unsigned{time.minute}, unsigned{time.second});
    return std::string(text.data());
}

std::optional<SYSTEMTIME> ParseCalendarTime(std::string_view text) {
    SYSTEMTIME time;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4hu-%2hu-%2hu %2hu:%2hu:%2hu", &time.year, &time.month, &time.day,
                    &time.hour, &time.minute, &time.second) != 6 ||
        CalendarTime(time) != copy) {
        return std::nullopt;
    }
    return time;
}

std::optional<std::string> QuotedPathForExec(std::string_view path, bool executable) {
    if (path.empty() || path.front() != '/' || !IsUtf8(path) ||
        HasCharacterSystemdRefusesInPaths(path)) {
        return std::nullopt;
    }
    // Inside double quotes spaces and non-ASCII letters stand as they are;
    // "%" starts a specifier everywhere, "$" a variable in arguments only.
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '%' || (c == '$' && !executable)) quoted += c;
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string TimerUnitText(std::string_view description, std::string_view calendarTime) {
    std::string text;
    text += "[Unit]\nDescription=";
    text += description;
    text += "\n\n[Timer]\nOnCalendar=";
    text += calendarTime;
    text += "\nAccuracySec=1s\nPersistent=true\n\n[Install]\nWantedBy=timers.target\n";
    return text;
}

std::string ServiceUnitText(std::string_view description, std::string_view execStart) {
    std::string text;
    text += "[Unit]\nDescription=";
    text += description;
    text += "\n\n[Service]\nExecStart=";
    text += execStart;
    text += '\n';
    return text;
}

}  // namespace tavrin::platform::linux_desktop
