// The "Set notification time" dialog on Windows: the dialog template with its
// two date-and-time pickers and day buttons, and the 36 hour and minute
// buttons made when it opens; what they do is SetTimeDialog's.
#pragma once

#include "alarm_schedule/alarm_scheduler.h"
#include "platform/win32/win32_api.h"

namespace tavrin::handheld {

// Runs the dialog modally over `owner`; the result it closed with (1 OK,
// 2 Cancel, 3 Clear), or 0 when it could not be shown.
INT_PTR RunSetTimeWindow(HINSTANCE instance, HWND owner, AlarmScheduler& alarms, bool twelveHour);

}  // namespace tavrin::handheld
