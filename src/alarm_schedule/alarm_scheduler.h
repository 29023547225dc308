// Memo alarms: the quick choices of the alarm menu, handing an alarm to the
// notification service, clearing it, keeping one wake-up of the program at
// the earliest pending alarm, and finding the memo whose alarm woke it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "canvas/memo_canvas.h"
#include "platform/clock.h"
#include "platform/host_window.h"
#include "platform/locale_text.h"
#include "platform/notification_service.h"
#include "platform/types.h"
#include "store/memo_merge.h"

namespace tavrin {

// The alarm menu's command ids: every id from the first to the last quick
// choice goes to QuickAlarm.
inline constexpr std::uint16_t kFirstQuickAlarmId = 40017;
inline constexpr std::uint16_t kLastQuickAlarmId = 40068;
// "Today..." and "Tomorrow..." offer the full hours 7:00 to 22:00.
inline constexpr std::uint16_t kTodayFirstId = 40030;
inline constexpr std::uint16_t kTomorrowFirstId = 40050;
inline constexpr std::uint16_t kFirstFullHour = 7;
inline constexpr std::uint16_t kLastFullHour = 22;

// A quick choice that moves the alarm a span ahead of now.
struct QuickChoice {
    enum class Unit { Minutes, Hours };
    std::uint16_t id;
    const char* label;
    Unit unit;
    std::uint16_t count;
    bool keepSeconds;  // else the alarm falls on the full minute
};

// In the order of the alarm menu.
inline constexpr std::array<QuickChoice, 11> kQuickChoices = {{
    {40017, "2 minutes", QuickChoice::Unit::Minutes, 2, true},
    {40018, "5 minutes", QuickChoice::Unit::Minutes, 5, true},
    {40019, "10 minutes", QuickChoice::Unit::Minutes, 10, false},
    {40020, "15 minutes", QuickChoice::Unit::Minutes, 15, false},
    {40021, "30 minutes", QuickChoice::Unit::Minutes, 30, false},
    {40027, "45 minutes", QuickChoice::Unit::Minutes, 45, false},
    {40022, "1 hour", QuickChoice::Unit::Hours, 1, false},
    {40023, "2 hours", QuickChoice::Unit::Hours, 2, false},
    {40024, "3 hours", QuickChoice::Unit::Hours, 3, false},
    {40025, "4 hours", QuickChoice::Unit::Hours, 4, false},
    {40026, "8 hours", QuickChoice::Unit::Hours, 8, false},
}};

// The label of a "Today..." or "Tomorrow..." item: "7:00" … "22:00", or
// "7:00am" … "12:00pm" … "10:00pm" in a locale with a 12-hour clock.
std::string FullHourLabel(std::uint16_t hour, bool twelveHour);

// The alarm time of a quick choice made at `now`, milliseconds dropped; none
// for an id without a menu item. A time already past is not moved on.
std::optional<SYSTEMTIME> QuickAlarmTime(std::uint16_t commandId, SYSTEMTIME now);

inline constexpr const char* kNotificationFormat =
    "Tavrin [%s]\r\n(Close the notification dialog to switch to the program)";
inline constexpr std::size_t kNotificationTextLimit = 1024;
inline constexpr const char* kAlarmSound = "Alarm2.wav";
inline constexpr const char* kSetNotificationFailed = "SetNotification() failed";
inline constexpr const char* kErrorCaption = "Error";

// Everything the alarms reach outside themselves, set up by the notepad.
struct AlarmSetup {
    MemoCanvas& canvas;
    platform::NotificationService& notifications;
    const platform::Clock& clock;
    platform::HostWindow& window;  // its title and the owner of message boxes
    std::string programPath;        // started by the service with "AppRunAtTime"
    std::string programName = "Tavrin";
    const platform::LocaleTexts& locale = platform::UserLocaleTexts();
};

// The notepad's alarms. They also take over the alarms that a merge with
// another machine's copy of the memos brings in, and withdraw the
// notifications of memos deleted or changed there.
class AlarmScheduler : public MergedAlarms {
public:
    explicit AlarmScheduler(AlarmSetup setup) : setup_(std::move(setup)) {}

    // Sets the current memo's alarm from a quick choice of the alarm menu;
    // a refusal of the service reaches the user as a message box. Always 1:
    // the command is handled.
    int QuickAlarm(std::uint16_t commandId);
    // Hands the current memo's alarm at `time` to the service and keeps the
    // handle and time in the memo. True when the service took it; on false
    // the memo keeps the time without a pending alarm, and the caller tells
    // the user (ReportRefusal).
    bool RegisterAlarm(const SYSTEMTIME& time);
    void ReportRefusal();
    // Withdraws the current memo's alarm, when it has one.
    void ClearAlarm();
    // Drops the alarms that have passed and asks the service to start the
    // program two seconds after the earliest pending one, or, with none
    // left, acknowledges the program's notifications. Leaves `changed` alone.
    void WakeUpPass();
    // Answers a start by the service: the first memo whose alarm lies within
    // 15 seconds of now loses its alarm and becomes current. Asks for no
    // repaint and schedules nothing. The caller saves first, so that the
    // picture shown is stored before another memo is shown.
    void DueAlarmLookup();

    // An alarm a merge brought from another machine, whose handle means
    // nothing here: one still ahead is registered with this machine's
    // service; one that has passed is kept as passed. A refusal is counted
    // for TakeRefusedAdoptions rather than shown in the middle of a save.
    void Adopt(MemoEntry& memo) override;
    void Withdraw(std::uint32_t handle) override;
    // Whether an adopted alarm was refused since the last call.
    bool TakeRefusedAdoptions() { return std::exchange(refusedAdoptions_, false); }

    SYSTEMTIME Now() const { return setup_.clock.Now(); }
    const MemoEntry& CurrentMemo() const { return *setup_.canvas.List().Current(); }

private:
    // Hands the alarm at `time` to the service, replacing the notification
    // `old` (0: none); the new handle, 0 when the service refused it.
    std::uint32_t Register(std::uint32_t old, const SYSTEMTIME& time);
    void UpdateTitle(const SYSTEMTIME* alarmTime);

    AlarmSetup setup_;
    bool refusedAdoptions_ = false;
};

}  // namespace tavrin
