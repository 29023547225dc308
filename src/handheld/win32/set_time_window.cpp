#include "set_time_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <optional>

#include "alarm_schedule/set_time_dialog.h"
#include "platform/win32/win32_text.h"
#include "resource.h"

namespace tavrin::handheld {
namespace {

constexpr int kTimeButtonWidth = 34;
constexpr int kTimeButtonHeight = 19;
constexpr int kTimeButtonGap = 4;

// The two pickers as SetTimeDialog reads and sets them; values set are always valid.
class PickerFields final : public TimeFields {
public:
    explicit PickerFields(HWND dialog)
        : date_(GetDlgItem(dialog, IDC_DATE_FIELD)), time_(GetDlgItem(dialog, IDC_TIME_FIELD)) {}

    tavrin::SYSTEMTIME Date() const override { return Read(date_); }
    void SetDate(const tavrin::SYSTEMTIME& date) override { Write(date_, date); }
    tavrin::SYSTEMTIME Time() const override { return Read(time_); }
    void SetTime(const tavrin::SYSTEMTIME& time) override { Write(time_, time); }

private:
    static tavrin::SYSTEMTIME Read(HWND picker) {
        ::SYSTEMTIME value{};
        DateTime_GetSystemtime(picker, &value);
        return platform::FromPlatformTime(value);
    }
    static void Write(HWND picker, const tavrin::SYSTEMTIME& value) {
        ::SYSTEMTIME platformValue = platform::ToPlatformTime(value);
        DateTime_SetSystemtime(picker, GDT_VALID, &platformValue);
    }

    HWND date_;
    HWND time_;
};

// Everything an open dialog holds: its fields, its logic and the handles of
// the hour and minute buttons, which have no control id and are told apart
// by their handle.
struct OpenDialog {
    OpenDialog(HWND dialog, AlarmScheduler& alarms) : fields(dialog), logic(alarms, fields) {}

    PickerFields fields;
    SetTimeDialog logic;
    std::array<HWND, kHourButtonCount> hours{};
    std::array<HWND, kMinuteButtonCount> minutes{};
};

struct DialogStart {
    HINSTANCE instance;
    AlarmScheduler& alarms;
    bool twelveHour;
};

// The buttons' places are those of the full-screen dialog on the 240 × 320
// screen; on a desktop dialog they move down, where needed, to start below
// the time field.
int TimeButtonsShift(HWND dialog, int firstRow) {
    RECT field{};
    GetWindowRect(GetDlgItem(dialog, IDC_TIME_FIELD), &field);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&field), 2);
    return std::max(0, static_cast<int>(field.bottom) + kTimeButtonGap - firstRow);
}

HWND CreateTimeButton(HINSTANCE instance, HWND dialog, const TimeButton& button, int shift) {
    const auto label = platform::ToSystemTextForDisplay(button.label);
    return CreateWindowW(L"BUTTON", label.c_str(),
                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER,
                         button.place.left, button.place.top + shift, kTimeButtonWidth,
                         kTimeButtonHeight, dialog, nullptr, instance, nullptr);
}

void CreateTimeButtons(HINSTANCE instance, HWND dialog, bool twelveHour, OpenDialog& open) {
    const auto hours = HourButtons(twelveHour);
    const auto minutes = MinuteButtons();
    const int shift = TimeButtonsShift(dialog, hours[0].place.top);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
    auto make = [&](const TimeButton& button) {
        HWND made = CreateTimeButton(instance, dialog, button, shift);
        if (made != nullptr) SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return made;
    };
    std::transform(hours.begin(), hours.end(), open.hours.begin(), make);
    std::transform(minutes.begin(), minutes.end(), open.minutes.begin(), make);
}

// A click on an hour or minute button: true when `button` is one of them.
bool TimeButtonClicked(OpenDialog& open, HWND button) {
    if (button == nullptr) return false;
    if (const auto hour = std::find(open.hours.begin(), open.hours.end(), button);
        hour != open.hours.end()) {
        open.logic.HourButton(static_cast<int>(hour - open.hours.begin()));
        return true;
    }
    if (const auto minute = std::find(open.minutes.begin(), open.minutes.end(), button);
        minute != open.minutes.end()) {
        open.logic.MinuteButton(static_cast<int>(minute - open.minutes.begin()));
        return true;
    }
    return false;
}

INT_PTR CALLBACK SetTimeProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* open = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG: {
            const auto& start = *reinterpret_cast<const DialogStart*>(lParam);
            open = new OpenDialog(dialog, start.alarms);
            SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(open));
            CreateTimeButtons(start.instance, dialog, start.twelveHour, *open);
            open->logic.Open();
            return TRUE;
        }
        case WM_COMMAND: {
            if (open == nullptr || HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (TimeButtonClicked(*open, reinterpret_cast<HWND>(lParam))) return TRUE;
            if (const std::optional<int> result = open->logic.Command(LOWORD(wParam))) {
                EndDialog(dialog, *result);
                return TRUE;
            }
            return FALSE;
        }
        case WM_DESTROY:
            delete open;
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR RunSetTimeWindow(HINSTANCE instance, HWND owner, AlarmScheduler& alarms, bool twelveHour) {
    DialogStart start{instance, alarms, twelveHour};
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SET_TIME), owner,
                                           SetTimeProcedure, reinterpret_cast<LPARAM>(&start));
    return result < 0 ? 0 : result;
}

}  // namespace tavrin::handheld
