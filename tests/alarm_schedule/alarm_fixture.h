// A canvas with its alarms on a clock that stands still, a recording
// notification service and window, and the numeric time texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "alarm_schedule/alarm_scheduler.h"
#include "canvas/memo_canvas.h"
#include "support/calendar_time.h"
#include "support/fixed_clock.h"
#include "support/fixed_locale.h"
#include "support/recording_notifications.h"
#include "support/recording_window.h"

namespace tavrin::testing {

inline constexpr const char* kProgramPath = "/opt/tavrin/tavrin";

class AlarmFixture : public ::testing::Test {
protected:
    AlarmFixture() { clock.now = Time(2006, 5, 9, 10, 0, 37, 250); }

    CanvasSetup MakeCanvasSetup() {
        CanvasSetup setup;
        setup.window = &window;
        setup.notifications = &notifications;
        return setup;
    }

    // Appends memos until the list holds `count`; the first stays current.
    void MakeMemos(std::uint16_t count) {
        while (canvas.List().Count() < count) canvas.List().Append();
        canvas.List().Rewind();
    }
    MemoEntry& Memo(std::uint16_t position) {
        MemoEntry* memo = canvas.List().First();
        for (std::uint16_t i = 1; i < position; ++i) memo = canvas.List().NextOf(memo);
        return *memo;
    }
    // Gives a memo a pending alarm that the service holds.
    void Pend(std::uint16_t position, const SYSTEMTIME& time) {
        notifications.held.insert(++notifications.lastHandle);
        Memo(position).SetAlarm(notifications.lastHandle, time);
    }
    // Forgets what the window and the service were asked so far.
    void ForgetCalls() {
        window.titles.clear();
        notifications.set.clear();
        notifications.removed.clear();
        notifications.starts.clear();
        notifications.acknowledged.clear();
    }

    RecordingWindow window;
    RecordingNotifications notifications;
    FixedClock clock;
    const FixedLocale locale{false, false};  // the numeric form: 07:05, 03-02-2004
    MemoCanvas canvas{MakeCanvasSetup()};
    AlarmScheduler alarms{{.canvas = canvas,
                           .notifications = notifications,
                           .clock = clock,
                           .window = window,
                           .programPath = kProgramPath,
                           .locale = locale}};
};

}  // namespace tavrin::testing
