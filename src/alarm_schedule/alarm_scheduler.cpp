#include "alarm_schedule/alarm_scheduler.h"

#include <limits>

#include "alarms/alarm_time.h"

namespace tavrin {
namespace {

// The service starts the program this long after the alarm, once its own
// notification is on screen.
constexpr std::uint16_t kWakeUpDelaySeconds = 2;
// A memo is due when its alarm lies less than this far from the wake-up.
constexpr std::uint64_t kDueWindowSeconds = 15;

std::uint64_t Distance(std::uint64_t a, std::uint64_t b) { return a > b ? a - b : b - a; }

SYSTEMTIME AtFullHour(SYSTEMTIME time, unsigned hour) {
    time.hour = static_cast<std::uint16_t>(hour);
    time.minute = 0;
    time.second = 0;
    return time;
}

}  // namespace

std::string FullHourLabel(std::uint16_t hour, bool twelveHour) {
    if (!twelveHour) return std::to_string(hour) + ":00";
    const unsigned onDial = hour % 12 == 0 ? 12U : hour % 12U;
    return std::to_string(onDial) + (hour < 12 ? ":00am" : ":00pm");
}

std::optional<SYSTEMTIME> QuickAlarmTime(std::uint16_t commandId, SYSTEMTIME now) {
    now.milliseconds = 0;
    const unsigned hours = kLastFullHour - kFirstFullHour;
    if (commandId >= kTodayFirstId && commandId <= kTodayFirstId + hours) {
        return AtFullHour(now, commandId - kTodayFirstId + kFirstFullHour);
    }
    if (commandId >= kTomorrowFirstId && commandId <= kTomorrowFirstId + hours) {
        SYSTEMTIME time = AtFullHour(now, commandId - kTomorrowFirstId + kFirstFullHour);
        AddDays(&time, 1);
        return time;
    }
    for (const QuickChoice& choice : kQuickChoices) {
        if (choice.id != commandId) continue;
        if (choice.unit == QuickChoice::Unit::Minutes) {
            AddMinutes(&now, choice.count);
        } else {
            AddHours(&now, choice.count);
        }
        if (!choice.keepSeconds) now.second = 0;
        return now;
    }
    return std::nullopt;
}

int AlarmScheduler::QuickAlarm(std::uint16_t commandId) {
    // Ids of the range without a menu item set nothing.
    const std::optional<SYSTEMTIME> time = QuickAlarmTime(commandId, setup_.clock.Now());
    if (time && !RegisterAlarm(*time)) ReportRefusal();
    return 1;
}

bool AlarmScheduler::RegisterAlarm(const SYSTEMTIME& time) {
    MemoEntry& memo = *setup_.canvas.List().Current();
    const std::uint32_t handle = Register(memo.alarmHandle, time);
    memo.SetAlarm(handle, time);
    UpdateTitle(&time);
    WakeUpPass();
    setup_.canvas.SetChanged();
    return handle != 0;
}

void AlarmScheduler::Adopt(MemoEntry& memo) {
    if (TimeToSeconds(memo.alarmTime) <= TimeToSeconds(setup_.clock.Now())) {
        memo.SetAlarm(0, memo.alarmTime);
        return;
    }
    // The handle it came with was given by another machine's service: it
    // may even name a notification of ours, so it is never passed on.
    const std::uint32_t handle = Register(0, memo.alarmTime);
    if (handle == 0) refusedAdoptions_ = true;
    memo.SetAlarm(handle, memo.alarmTime);
}

void AlarmScheduler::Withdraw(std::uint32_t handle) { setup_.notifications.RemoveNotification(handle); }

std::uint32_t AlarmScheduler::Register(std::uint32_t old, const SYSTEMTIME& time) {
    platform::NotificationTrigger trigger;
    trigger.application = setup_.programPath;
    trigger.startTime = time;
    trigger.endTime = time;
    AddMinutes(&trigger.endTime, 1);

    platform::UserNotification notification;
    notification.actionFlags = platform::UserNotification::kFlashLight |
                               platform::UserNotification::kVibrate |
                               platform::UserNotification::kShowDialog |
                               platform::UserNotification::kPlaySound;
    notification.dialogTitle = setup_.programName;
    FormatTimeText(time, kNotificationFormat, &notification.dialogText, setup_.locale,
                   kNotificationTextLimit);
    notification.sound = kAlarmSound;

    std::uint32_t handle = setup_.notifications.SetNotification(old, trigger, notification);
    if (handle == 0 && old != 0) {
        // The service no longer knows the old handle (a stale one from the
        // data file), or could not replace it: make sure the old alarm can't
        // fire at its old time before asking for a new notification.
        setup_.notifications.RemoveNotification(old);
        handle = setup_.notifications.SetNotification(0, trigger, notification);
    }
    return handle;
}

void AlarmScheduler::ReportRefusal() {
    setup_.window.ShowMessage(kSetNotificationFailed, kErrorCaption, platform::MessageIcon::Error);
}

void AlarmScheduler::ClearAlarm() {
    MemoEntry& memo = *setup_.canvas.List().Current();
    if (memo.alarmHandle != 0) {
        setup_.notifications.RemoveNotification(memo.alarmHandle);
        memo.SetAlarm(0, SYSTEMTIME{});
    }
    // A wake-up already scheduled for this alarm stays: it finds nothing due.
    UpdateTitle(nullptr);
    setup_.canvas.SetChanged();
}

void AlarmScheduler::WakeUpPass() {
    const std::uint64_t now = TimeToSeconds(setup_.clock.Now());
    MemoList& list = setup_.canvas.List();
    const MemoEntry* earliest = nullptr;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    for (MemoEntry* memo = list.First(); memo != nullptr; memo = list.NextOf(memo)) {
        if (memo->alarmHandle == 0) continue;
        const std::uint64_t alarm = TimeToSeconds(memo->alarmTime);
        if (alarm < now) {
            // Its notification has fired (or was due while the program was
            // away); the service needs no call.
            memo->SetAlarm(0, memo->alarmTime);
        } else if (alarm <= best) {
            // Of equal times the later memo in list order wins.
            best = alarm;
            earliest = memo;
        }
    }
    if (earliest == nullptr) {
        setup_.notifications.AcknowledgeAppNotifications(setup_.programPath);
        return;
    }
    SYSTEMTIME start = earliest->alarmTime;
    for (std::uint16_t i = 0; i < kWakeUpDelaySeconds; ++i) AddSeconds(&start, 1);
    setup_.notifications.ScheduleAppStart(setup_.programPath, start);
}

void AlarmScheduler::DueAlarmLookup() {
    const std::uint64_t now = TimeToSeconds(setup_.clock.Now());
    MemoList& list = setup_.canvas.List();
    MemoEntry* due = list.First();
    while (due != nullptr &&
           (due->alarmHandle == 0 ||
            Distance(TimeToSeconds(due->alarmTime), now) >= kDueWindowSeconds)) {
        due = list.NextOf(due);
    }
    if (due != nullptr) {
        // Its notification has already fired: the service needs no call.
        due->SetAlarm(0, due->alarmTime);
        if (due != list.Current()) {
            list.SeekTo(due);
            setup_.canvas.ShowCurrent();
        } else {
            UpdateTitle(nullptr);
        }
    }
    setup_.canvas.SetChanged();
}

void AlarmScheduler::UpdateTitle(const SYSTEMTIME* alarmTime) {
    setup_.window.SetTitle(TitleText(setup_.programName, alarmTime, setup_.locale));
}

}  // namespace tavrin
