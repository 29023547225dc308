// The notepad's notifier mode. A notification's task starts the program as
// "<Tavrin.exe>" /notify XXXXXXXX at the alarm time; the program hands the
// argument after the switch to RunNotifier, which shows what the
// notification's task holds and ends when it is closed. The program's own
// start follows two seconds later from its start task.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/task_scheduler_notification_service.h"

namespace tavrin::platform {

// Shows the notification `handleText` names. 0 once it has been shown and
// closed; 1 when there is nothing to show (not a handle, a notification the
// service does not hold or can't read), which the Task Scheduler keeps as
// the task's last result; ShowNotification's result otherwise.
int RunNotifier(std::wstring_view handleText, TaskEngine engine = ConnectSystemTaskEngine);

// Shows `content` as a notification of the handheld does, as far as a desktop
// has it: a top-most box with the title, the text and an OK button (show the
// dialog, 4), the sound file of that name in `soundFolder` (play the sound,
// 8) and the box's taskbar button flashing until the user turns to it (flash
// the light, 1). A desktop does not vibrate (2). Returns when the box is closed.
int ShowNotification(const NotificationContent& content, const std::wstring& soundFolder);

}  // namespace tavrin::platform
