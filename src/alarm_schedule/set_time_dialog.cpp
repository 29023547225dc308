#include "alarm_schedule/set_time_dialog.h"

#include <cstdio>

#include "alarms/alarm_time.h"

namespace tavrin {
namespace {

constexpr Size kTimeButtonSize = {34, 19};
constexpr int kButtonsPerColumn = 6;
constexpr int kButtonRowHeight = 20;
constexpr int kButtonsTop = 110;

Rect ButtonPlace(int left, int row) {
    const int top = kButtonsTop + kButtonRowHeight * row;
    return {left, top, left + kTimeButtonSize.cx, top + kTimeButtonSize.cy};
}

std::string HourLabel(int hour, bool twelveHour) {
    if (!twelveHour) return std::to_string(hour);
    if (hour < 12) return std::to_string(hour) + "a";
    return std::to_string(hour == 12 ? 12 : hour - 12) + "p";
}

}  // namespace

std::array<TimeButton, kHourButtonCount> HourButtons(bool twelveHour) {
    std::array<TimeButton, kHourButtonCount> buttons;
    for (int hour = 0; hour < kHourButtonCount; ++hour) {
        const int left = 3 + 35 * (hour / kButtonsPerColumn);
        buttons[static_cast<std::size_t>(hour)] = {HourLabel(hour, twelveHour),
                                                   ButtonPlace(left, hour % kButtonsPerColumn)};
    }
    return buttons;
}

std::array<TimeButton, kMinuteButtonCount> MinuteButtons() {
    std::array<TimeButton, kMinuteButtonCount> buttons;
    for (int index = 0; index < kMinuteButtonCount; ++index) {
        const int minute = 5 * index;
        char label[8];
        std::snprintf(label, sizeof label, ":%02d", minute);
        const int left = 166 + 7 * (minute % 10);
        buttons[static_cast<std::size_t>(index)] = {label, ButtonPlace(left, minute / 10)};
    }
    return buttons;
}

void SetTimeDialog::Open() {
    const MemoEntry& memo = alarms_.CurrentMemo();
    SYSTEMTIME value = memo.alarmTime;
    if (memo.alarmHandle == 0) {
        value = alarms_.Now();
        value.second = 0;
        value.milliseconds = 0;
        AddMinutes(&value, 1);
    }
    fields_.SetDate(value);
    fields_.SetTime(value);
}

std::optional<int> SetTimeDialog::Command(int controlId) {
    switch (controlId) {
        case kTodayButton: SetDateDaysAhead(0); break;
        case kTomorrowButton: SetDateDaysAhead(1); break;
        case kAfterTomorrowButton: SetDateDaysAhead(2); break;
        case kOkButton: return Confirm();
        case kCancelButton: return kSetTimeCancelled;
        case kClearButton:
            alarms_.ClearAlarm();
            return kSetTimeCleared;
        default: break;
    }
    return std::nullopt;
}

void SetTimeDialog::HourButton(int hour) {
    if (hour < 0 || hour >= kHourButtonCount) return;
    SYSTEMTIME time = fields_.Time();
    time.hour = static_cast<std::uint16_t>(hour);
    SetTimeOnTheMinute(time);
}

void SetTimeDialog::MinuteButton(int index) {
    if (index < 0 || index >= kMinuteButtonCount) return;
    SYSTEMTIME time = fields_.Time();
    time.minute = static_cast<std::uint16_t>(5 * index);
    SetTimeOnTheMinute(time);
}

void SetTimeDialog::SetDateDaysAhead(std::uint16_t days) {
    // One day at a time, as the day arithmetic expects.
    SYSTEMTIME date = alarms_.Now();
    for (std::uint16_t day = 0; day < days; ++day) AddDays(&date, 1);
    fields_.SetDate(date);
}

void SetTimeDialog::SetTimeOnTheMinute(SYSTEMTIME time) {
    time.second = 0;
    time.milliseconds = 0;
    fields_.SetTime(time);
}

int SetTimeDialog::Confirm() {
    const SYSTEMTIME date = fields_.Date();
    SYSTEMTIME alarm = fields_.Time();
    alarm.year = date.year;
    alarm.month = date.month;
    alarm.dayOfWeek = date.dayOfWeek;
    alarm.day = date.day;
    if (!alarms_.RegisterAlarm(alarm)) alarms_.ReportRefusal();
    return kSetTimeConfirmed;
}

}  // namespace tavrin
