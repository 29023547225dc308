// What the "Set notification time" dialog does, apart from its toolkit: the
// value it opens with, the day buttons, the hour and minute buttons with
// their labels and places, and the three ways to close it. Each notepad's
// dialog shows the controls, keeps the date and time fields and passes
// their commands here.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "alarm_schedule/alarm_scheduler.h"
#include "platform/types.h"

namespace tavrin {

// The dialog's controls and texts.
inline constexpr const char* kSetTimeDialogTitle = "Set notification time";
inline constexpr int kOkButton = 1;
inline constexpr int kCancelButton = 2;
inline constexpr int kClearButton = 3;
inline constexpr int kDateField = 1008;
inline constexpr int kTimeField = 1009;
inline constexpr int kTodayButton = 1010;
inline constexpr int kTomorrowButton = 1011;
inline constexpr int kAfterTomorrowButton = 1012;

// The results the dialog closes with.
inline constexpr int kSetTimeConfirmed = 1;
inline constexpr int kSetTimeCancelled = 2;
inline constexpr int kSetTimeCleared = 3;

// One of the buttons that set the time field's hour or minute: no control id
// of its own, its text centred. Places are those of the full-screen dialog
// on the 240 × 320 screen.
struct TimeButton {
    std::string label;
    Rect place;
};
inline constexpr int kHourButtonCount = 24;
inline constexpr int kMinuteButtonCount = 12;

// Hour i: "i", or "0a" … "11a", "12p", "1p" … "11p" with a 12-hour clock;
// four columns of six.
std::array<TimeButton, kHourButtonCount> HourButtons(bool twelveHour);
// Minute 5j: ":00" … ":55"; two columns of six, :x0 left of :x5.
std::array<TimeButton, kMinuteButtonCount> MinuteButtons();

// The dialog's date and time fields, as the notepad's dialog keeps them.
// Values set are always valid times.
class TimeFields {
public:
    virtual ~TimeFields() = default;
    virtual SYSTEMTIME Date() const = 0;
    virtual void SetDate(const SYSTEMTIME& date) = 0;
    virtual SYSTEMTIME Time() const = 0;
    virtual void SetTime(const SYSTEMTIME& time) = 0;
};

class SetTimeDialog {
public:
    SetTimeDialog(AlarmScheduler& alarms, TimeFields& fields) : alarms_(alarms), fields_(fields) {}

    // Both fields show the current memo's pending alarm, else the next full
    // minute.
    void Open();
    // A command from one of the dialog's controls: the result to close the
    // dialog with, or none while it stays open.
    std::optional<int> Command(int controlId);
    // A click on hour button `hour` (0 … 23) or minute button `index`
    // (0 … 11, minute 5 × index); any other number is no button.
    void HourButton(int hour);
    void MinuteButton(int index);

private:
    void SetDateDaysAhead(std::uint16_t days);
    void SetTimeOnTheMinute(SYSTEMTIME time);
    int Confirm();

    AlarmScheduler& alarms_;
    TimeFields& fields_;
};

}  // namespace tavrin
