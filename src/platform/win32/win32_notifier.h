// The notepad's notifier mode. A notification's task starts the program as
// "<Tavrin.exe>" /notify XXXXXXXX at the alarm time; the program hands the
// argument after the switch to RunNotifier, which shows what the
// notification's task holds and ends when it is closed. The program's own
// start follows two seconds later from its start task.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/win32/task_scheduler_notification_service.h"

namespace tavrin::platform {

// What the user answered the notification with.
enum class NotificationAnswer {
    Dismiss,   // "Dismiss", or the box closed
    Open,      // "Open": show the memo
    Snooze,    // "Snooze 10 minutes": its alarm again later
    NotShown,  // no box could be made
};

// Starts the program again with `arguments` (after its own path); false
// when it could not be started.
using ProgramStart = std::function<bool(const std::wstring& arguments)>;
// This program, by CreateProcess.
bool StartThisProgram(const std::wstring& arguments);

// Shows the notification `handleText` names and starts the program for the
// answer: "--open KEY" or "--snooze KEY" with the memo's key ("AppRunAtTime"
// for "Open" of a notification without one). 0 once it has been shown and
// answered; 1 when there is nothing to show (not a handle, a notification
// the service does not hold or can't read), which the Task Scheduler keeps
// as the task's last result; 2 when no box could be made; 3 when the
// program could not be started for the answer.
int RunNotifier(std::wstring_view handleText, TaskEngine engine = ConnectSystemTaskEngine,
                const ProgramStart& start = StartThisProgram, const Clock& clock = SystemClock());

// Shows `content` as a notification of the handheld does, as far as a
// desktop has it: a top-most box with the title and the text, after a line
// saying it was missed when it comes after its end time, and the buttons
// "Open", "Snooze 10 minutes" (only for a notification of a memo) and
// "Dismiss" (show the dialog, 4); the sound file of that name in
// `soundFolder` (play the sound, 8) and the box's taskbar button flashing
// until the user turns to it (flash the light, 1). A desktop does not
// vibrate (2). Returns when the box is closed.
NotificationAnswer ShowNotification(const NotificationContent& content,
                                    const std::wstring& soundFolder,
                                    const Clock& clock = SystemClock());

}  // namespace tavrin::platform
