#include "alarm_schedule/alarm_scheduler.h"

#include <cstdio>
#include <limits>

#include "alarms/alarm_time.h"
#include "store/page_image.h"

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

// "YYYY-MM-DDTHH:MM:SS", with ".mmm" when `milliseconds`.
std::string KeyTime(const SYSTEMTIME& time, bool milliseconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", unsigned{time.year},
                  unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                  unsigned{time.minute}, unsigned{time.second});
    std::string written = text;
    if (milliseconds) {
        std::snprintf(text, sizeof text, ".%03u", unsigned{time.milliseconds});
        written += text;
    }
    return written;
}

// The key names times as its text does: the day of week is not in it, nor
// are the alarm's milliseconds.
bool SameCreation(const SYSTEMTIME& a, const SYSTEMTIME& b) { return KeyTime(a, true) == KeyTime(b, true); }
bool SameAlarm(const SYSTEMTIME& a, const SYSTEMTIME& b) { return KeyTime(a, false) == KeyTime(b, false); }

}  // namespace

std::string AlarmKeyText(const AlarmKey& key) {
    return KeyTime(key.created, true) + "/" + KeyTime(key.alarm, false);
}

std::optional<AlarmKey> ParseAlarmKey(std::string_view text) {
    if (text.size() > 64) return std::nullopt;
    const std::string copy(text);
    AlarmKey key;
    SYSTEMTIME& c = key.created;
    SYSTEMTIME& a = key.alarm;
    if (std::sscanf(copy.c_str(), "%4hu-%2hu-%2huT%2hu:%2hu:%2hu.%3hu/%4hu-%2hu-%2huT%2hu:%2hu:%2hu",
                    &c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second, &c.milliseconds,
                    &a.year, &a.month, &a.day, &a.hour, &a.minute, &a.second) != 13 ||
        AlarmKeyText(key) != copy) {
        return std::nullopt;
    }
    return key;
}

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
    // The notification shows the page as it is on the surface, strokes not yet stored included.
    setup_.canvas.StorePage();
    return SetAlarmOf(*setup_.canvas.List().Current(), time);
}

bool AlarmScheduler::SetAlarmOf(MemoEntry& memo, const SYSTEMTIME& time) {
    const std::uint32_t handle = Register(memo, memo.alarmHandle, time);
    memo.SetAlarm(handle, time);
    if (&memo == setup_.canvas.List().Current()) UpdateTitle(&time);
    WakeUpPass();
    setup_.canvas.SetChanged();
    return handle != 0;
}

void AlarmScheduler::Adopt(MemoEntry& memo) {
    if (RingsAt(memo) <= TimeToSeconds(setup_.clock.Now())) {
        memo.SetAlarm(0, memo.alarmTime);
        return;
    }
    // The handle it came with was given by another machine's service: it
    // may even name a notification of ours, so it is never passed on.
    const std::uint32_t handle = Register(memo, 0, memo.alarmTime);
    if (handle == 0) refusedAdoptions_ = true;
    memo.SetAlarm(handle, memo.alarmTime);
}

void AlarmScheduler::Withdraw(std::uint32_t handle) { setup_.notifications.RemoveNotification(handle); }

std::uint32_t AlarmScheduler::Register(const MemoEntry& memo, std::uint32_t old, const SYSTEMTIME& time) {
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
    // The memo's page, as stored, is the notification's picture.
    const std::unique_ptr<platform::PageBitmap> page = memo.page.MakeSurface();
    const platform::AlarmMemo alarmMemo{AlarmKeyText({memo.created, time}), page.get(), PenPalette};

    std::uint32_t handle = setup_.notifications.SetNotification(old, trigger, notification, alarmMemo);
    if (handle == 0 && old != 0) {
        // The service no longer knows the old handle (a stale one from the
        // data file), or could not replace it: make sure the old alarm can't
        // fire at its old time before asking for a new notification.
        setup_.notifications.RemoveNotification(old);
        handle = setup_.notifications.SetNotification(0, trigger, notification, alarmMemo);
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

bool AlarmScheduler::WakeUpPass() {
    bool dropped = false;
    const std::uint64_t now = TimeToSeconds(setup_.clock.Now());
    MemoList& list = setup_.canvas.List();
    const MemoEntry* earliest = nullptr;
    std::uint64_t best = std::numeric_limits<std::uint64_t>::max();
    for (MemoEntry* memo = list.First(); memo != nullptr; memo = list.NextOf(memo)) {
        if (memo->alarmHandle == 0) continue;
        const std::uint64_t alarm = RingsAt(*memo);
        if (alarm < now) {
            // Its notification has fired (or was due while the program was
            // away); the service needs no call.
            memo->SetAlarm(0, memo->alarmTime);
            dropped = true;
        } else if (alarm <= best) {
            // Of equal times the later memo in list order wins.
            best = alarm;
            earliest = memo;
        }
    }
    if (earliest == nullptr) {
        setup_.notifications.AcknowledgeAppNotifications(setup_.programPath);
        return dropped;
    }
    // Two seconds after the notification, also where the clocks skip the alarm's time.
    SYSTEMTIME start = setup_.clock.ExistingTime(earliest->alarmTime);
    for (std::uint16_t i = 0; i < kWakeUpDelaySeconds; ++i) AddSeconds(&start, 1);
    setup_.notifications.ScheduleAppStart(setup_.programPath, start);
    return dropped;
}

void AlarmScheduler::DueAlarmLookup() {
    const std::uint64_t now = TimeToSeconds(setup_.clock.Now());
    MemoList& list = setup_.canvas.List();
    MemoEntry* due = nullptr;
    MemoEntry* missed = nullptr;
    for (MemoEntry* memo = list.First(); memo != nullptr && due == nullptr; memo = list.NextOf(memo)) {
        if (memo->alarmHandle == 0) continue;
        const std::uint64_t alarm = RingsAt(*memo);
        if (Distance(alarm, now) < kDueWindowSeconds) {
            due = memo;
        } else if (alarm < now && (missed == nullptr || alarm < RingsAt(*missed))) {
            missed = memo;
        }
    }
    if (due == nullptr) due = missed;
    if (due != nullptr) BringUp(*due);
    setup_.canvas.SetChanged();
}

bool AlarmScheduler::ShowAlarmMemo(const AlarmKey& key) {
    MemoEntry* memo = MemoCreatedAt(key.created);
    if (memo == nullptr) return false;
    const bool hasRung = memo->alarmHandle != 0 && SameAlarm(memo->alarmTime, key.alarm) &&
                         RingsAt(*memo) < TimeToSeconds(setup_.clock.Now()) + kDueWindowSeconds;
    if (hasRung) {
        BringUp(*memo);
    } else if (memo != setup_.canvas.List().Current()) {
        setup_.canvas.List().SeekTo(memo);
        setup_.canvas.ShowCurrent();
    }
    setup_.canvas.SetChanged();
    return true;
}

AlarmScheduler::Snoozed AlarmScheduler::Snooze(const AlarmKey& key) {
    // Another alarm set on the memo since is the user's later choice.
    MemoEntry* memo = MemoCreatedAt(key.created);
    if (memo == nullptr || !SameAlarm(memo->alarmTime, key.alarm)) return Snoozed::NoSuchAlarm;
    SYSTEMTIME time = setup_.clock.Now();
    time.milliseconds = 0;
    AddMinutes(&time, kSnoozeMinutes);
    return SetAlarmOf(*memo, time) ? Snoozed::Yes : Snoozed::Refused;
}

void AlarmScheduler::BringUp(MemoEntry& memo) {
    // Its notification has already fired: the service needs no call.
    memo.SetAlarm(0, memo.alarmTime);
    MemoList& list = setup_.canvas.List();
    if (&memo != list.Current()) {
        list.SeekTo(&memo);
        setup_.canvas.ShowCurrent();
    } else {
        UpdateTitle(nullptr);
    }
}

std::uint64_t AlarmScheduler::RingsAt(const MemoEntry& memo) const {
    return TimeToSeconds(setup_.clock.ExistingTime(memo.alarmTime));
}

MemoEntry* AlarmScheduler::MemoCreatedAt(const SYSTEMTIME& created) {
    MemoList& list = setup_.canvas.List();
    MemoEntry* memo = list.First();
    while (memo != nullptr && !SameCreation(memo->created, created)) memo = list.NextOf(memo);
    return memo;
}

void AlarmScheduler::UpdateTitle(const SYSTEMTIME* alarmTime) {
    setup_.window.SetTitle(TitleText(setup_.programName, alarmTime, setup_.locale));
}

}  // namespace tavrin
