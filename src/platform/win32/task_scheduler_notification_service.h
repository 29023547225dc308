// The notification service on Windows, over the system's Task Scheduler
// (its 2.0 COM interface): every notification is a task in the user's
// "Tavrin" task folder that runs the program in its notifier mode
// ("<program>" /notify XXXXXXXX) at the notification's time; the program's
// start at a time is one more task there, which runs it with "AppRunAtTime".
// What a notification shows is kept in its task's description, never on a
// command line.
//
// A handle is the name of a notification's task, so it stays valid across
// restarts of the program and of the machine. Built with the wide calls
// only, for the notepad.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/notification_service.h"
#include "platform/win32/win32_api.h"

#include <taskschd.h>

namespace tavrin::platform {

// What a notification shows when it fires.
struct NotificationContent {
    std::wstring title;
    std::wstring text;
    std::wstring sound;  // the file name of a sound shipped beside the program, empty for none
    std::uint32_t actionFlags = 0;

    friend bool operator==(const NotificationContent&, const NotificationContent&) = default;
};

// Gives a Task Scheduler connected to this machine: one reference that the
// caller releases, or the failure.
using TaskEngine = std::function<HRESULT(ITaskService** service)>;
// The system's own: CoCreateInstance of the Task Scheduler, then Connect.
HRESULT ConnectSystemTaskEngine(ITaskService** service);

class TaskSchedulerNotificationService final : public NotificationService {
public:
    explicit TaskSchedulerNotificationService(TaskEngine engine = ConnectSystemTaskEngine,
                                              const Clock& clock = SystemClock());

    std::uint32_t SetNotification(std::uint32_t existing, const NotificationTrigger& trigger,
                                  const UserNotification& notification) override;
    int RemoveNotification(std::uint32_t handle) override;
    int ScheduleAppStart(const std::string& programPath, const SYSTEMTIME& start) override;
    int AcknowledgeAppNotifications(const std::string& programPath) override;

    // What the notification `handle` shows; nothing, with the cause in
    // LastError, when the service does not hold it or can't read it.
    std::optional<NotificationContent> ContentOf(std::uint32_t handle);

    // Why the last operation that failed did, for the program's diagnostics.
    const std::string& LastError() const { return lastError_; }

    // The names of a notification's task and of a program's start.
    static std::wstring NotificationTask(std::uint32_t handle);
    static std::wstring StartTask(const std::string& programPath);
    // The notifier mode's switch on the program's command line, before the handle.
    static const wchar_t* NotifierSwitch();

private:
    struct Session;

    bool Open(Session& session, bool createFolder);
    bool Fail(const std::string& error);
    bool Fail(const std::string& what, HRESULT result);
    // A task that could not be registered again is deleted rather than left
    // at its old time; the error says so when it stays.
    void FailAndRemove(ITaskFolder* folder, const std::wstring& task, const std::string& what,
                       HRESULT result);

    TaskEngine engine_;
    const Clock& clock_;
    std::string lastError_;
};

// The handle in a notifier's command-line argument: eight hexadecimal digits, not all 0.
std::optional<std::uint32_t> ParseNotificationHandle(std::wstring_view text);

}  // namespace tavrin::platform
