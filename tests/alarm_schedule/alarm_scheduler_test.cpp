#include "alarm_schedule/alarm_scheduler.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "alarm_schedule/alarm_fixture.h"
#include "support/memo_lists.h"
#include "support/page_pixels.h"

namespace tavrin {
namespace {

using testing::AlarmFixture;
using testing::kProgramPath;
using testing::Time;
using Titles = std::vector<std::string>;

class AlarmSchedulerTest : public AlarmFixture {};

constexpr const char* kHint = "\r\n(Close the notification dialog to switch to the program)";

struct QuickCase {
    const char* name;
    SYSTEMTIME now;
    std::uint16_t id;
    SYSTEMTIME expected;
};

class QuickAlarmTest : public AlarmFixture, public ::testing::WithParamInterface<QuickCase> {};

TEST_P(QuickAlarmTest, RegistersTheTimeOfTheChoice) {
    const QuickCase& c = GetParam();
    clock.now = c.now;
    EXPECT_EQ(alarms.QuickAlarm(c.id), 1);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, c.expected);
    EXPECT_EQ(canvas.List().Current()->alarmTime, c.expected);
    EXPECT_TRUE(window.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Alarms, QuickAlarmTest,
    ::testing::Values(
        QuickCase{"TwoMinutesKeepSeconds", Time(2006, 5, 9, 10, 0, 37, 250), 40017,
                  Time(2006, 5, 9, 10, 2, 37)},
        QuickCase{"FiveMinutesKeepSeconds", Time(2006, 5, 9, 10, 58, 37, 250), 40018,
                  Time(2006, 5, 9, 11, 3, 37)},
        QuickCase{"TenMinutesOnTheMinute", Time(2006, 5, 9, 10, 0, 37, 250), 40019,
                  Time(2006, 5, 9, 10, 10, 0)},
        QuickCase{"FortyFiveMinutesIntoNextYear", Time(2005, 12, 31, 23, 30, 10), 40027,
                  Time(2006, 1, 1, 0, 15, 0)},
        QuickCase{"OneHourIntoNextYear", Time(2005, 12, 31, 23, 30, 10), 40022,
                  Time(2006, 1, 1, 0, 30, 0)},
        QuickCase{"EightHoursIntoNextMonth", Time(2006, 4, 30, 22, 12, 5), 40026,
                  Time(2006, 5, 1, 6, 12, 0)},
        QuickCase{"TodayAtSeven", Time(2006, 5, 9, 6, 10, 37, 250), 40030,
                  Time(2006, 5, 9, 7, 0, 0)},
        QuickCase{"TodayAtTen", Time(2006, 5, 9, 6, 10, 37), 40033, Time(2006, 5, 9, 10, 0, 0)},
        QuickCase{"TodayAtTwentyTwo", Time(2006, 5, 9, 6, 10, 37), 40045,
                  Time(2006, 5, 9, 22, 0, 0)},
        QuickCase{"TomorrowIntoLeapDay", Time(2004, 2, 28, 9, 30, 1), 40050,
                  Time(2004, 2, 29, 7, 0, 0)},
        QuickCase{"TomorrowIntoMarch", Time(2005, 2, 28, 9, 30, 1), 40050,
                  Time(2005, 3, 1, 7, 0, 0)},
        QuickCase{"TomorrowIntoNextMonth", Time(2006, 1, 31, 9, 30, 1), 40057,
                  Time(2006, 2, 1, 14, 0, 0)},
        QuickCase{"TomorrowIntoNextYear", Time(2005, 12, 31, 23, 59, 59), 40065,
                  Time(2006, 1, 1, 22, 0, 0)}),
    [](const ::testing::TestParamInfo<QuickCase>& param) { return std::string(param.param.name); });

TEST_F(AlarmSchedulerTest, QuickAlarmIdsWithoutMenuItemSetNothing) {
    for (const std::uint16_t id : std::initializer_list<std::uint16_t>{40028, 40029, 40046, 40049, 40066, 40068}) {
        EXPECT_EQ(alarms.QuickAlarm(id), 1) << id;
    }
    EXPECT_TRUE(notifications.set.empty());
    EXPECT_TRUE(notifications.starts.empty());
    EXPECT_TRUE(notifications.acknowledged.empty());
    EXPECT_TRUE(window.titles.empty());
    EXPECT_FALSE(canvas.Changed());
}

TEST(QuickChoices, FullHourLabelsInBothClockForms) {
    const std::vector<std::pair<std::uint16_t, bool>> hours = {
        {7, false}, {22, false}, {7, true}, {11, true}, {12, true}, {13, true}, {22, true}};
    std::vector<std::string> labels;
    for (const auto& [hour, twelveHour] : hours) labels.push_back(FullHourLabel(hour, twelveHour));
    EXPECT_EQ(labels, (std::vector<std::string>{"7:00", "22:00", "7:00am", "11:00am", "12:00pm",
                                                "1:00pm", "10:00pm"}));
}

TEST_F(AlarmSchedulerTest, RegisterAlarmHandsOverBothRecordsAndKeepsTheAlarm) {
    const SYSTEMTIME alarm = Time(2005, 12, 31, 23, 59, 59);
    clock.now = Time(2005, 12, 31, 23, 0, 0);
    EXPECT_TRUE(alarms.RegisterAlarm(alarm));

    ASSERT_EQ(notifications.set.size(), 1U);
    const auto& call = notifications.set[0];
    EXPECT_EQ(call.existing, 0U);
    EXPECT_EQ(call.trigger.recordSize, 52U);
    EXPECT_EQ(call.trigger.type, 2U);
    EXPECT_EQ(call.trigger.event, 0U);
    EXPECT_EQ(call.trigger.application, kProgramPath);
    EXPECT_EQ(call.trigger.arguments, "");
    EXPECT_EQ(call.trigger.startTime, alarm);
    EXPECT_EQ(call.trigger.endTime, Time(2006, 1, 1, 0, 0, 59));
    EXPECT_EQ(call.notification.actionFlags, 15U);
    EXPECT_EQ(call.notification.dialogTitle, "Tavrin");
    EXPECT_EQ(call.notification.dialogText, std::string("Tavrin [23:59, 31-12-2005]") + kHint);
    EXPECT_EQ(call.notification.sound, "Alarm2.wav");
    EXPECT_EQ(call.notification.maxSound, 0U);
    EXPECT_EQ(call.notification.reserved, 0U);

    const MemoEntry& memo = *canvas.List().Current();
    EXPECT_EQ(memo.alarmHandle, 1U);
    EXPECT_EQ(memo.alarmTime, alarm);
    EXPECT_EQ(window.titles, Titles{"[23:59, 31-12-2005] Tavrin"});
    ASSERT_EQ(notifications.starts.size(), 1U);
    EXPECT_EQ(notifications.starts[0].programPath, kProgramPath);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 1, 1, 0, 0, 1));
    EXPECT_TRUE(canvas.Changed());
}

TEST_F(AlarmSchedulerTest, NotificationTextKeepsItsHintWithLongLocaleTexts) {
    // Each locale text at its limit of 127 characters: the text outgrows a
    // title's buffer but not the notification's.
    const testing::FixedLocale longForms(true, true, std::string(122, 'x'));
    AlarmScheduler wordy({.canvas = canvas,
                          .notifications = notifications,
                          .clock = clock,
                          .window = window,
                          .programPath = kProgramPath,
                          .locale = longForms});
    wordy.RegisterAlarm(Time(2006, 5, 9, 10, 2, 37));
    ASSERT_EQ(notifications.set.size(), 1U);
    const std::string& text = notifications.set[0].notification.dialogText;
    EXPECT_THAT(text, ::testing::StartsWith("Tavrin [time:"));
    EXPECT_THAT(text, ::testing::EndsWith(std::string(122, 'x') + "]" + kHint));
}

TEST_F(AlarmSchedulerTest, RegisterAlarmReplacesAHeldNotification) {
    alarms.RegisterAlarm(Time(2006, 5, 9, 10, 5, 0));
    alarms.RegisterAlarm(Time(2006, 5, 9, 10, 9, 0));
    ASSERT_EQ(notifications.set.size(), 2U);
    EXPECT_EQ(notifications.set[1].existing, 1U);
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 1U);
    EXPECT_EQ(canvas.List().Current()->alarmTime, Time(2006, 5, 9, 10, 9, 0));
}

TEST_F(AlarmSchedulerTest, StaleHandleIsRetriedOnceAsANewNotification) {
    // A handle from the data file that the service no longer holds.
    canvas.List().Current()->SetAlarm(7, Time(2006, 5, 1, 8, 0, 0));
    EXPECT_TRUE(alarms.RegisterAlarm(Time(2006, 5, 9, 10, 5, 0)));
    ASSERT_EQ(notifications.set.size(), 2U);
    EXPECT_EQ(notifications.set[0].existing, 7U);
    EXPECT_EQ(notifications.set[1].existing, 0U);
    // Should the service have held it after all, the old time can't fire.
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{7});
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 1U);
}

TEST_F(AlarmSchedulerTest, RefusedTwiceLeavesTheTimeWithoutPendingAlarm) {
    canvas.List().Current()->SetAlarm(7, Time(2006, 5, 1, 8, 0, 0));
    notifications.refuse = true;
    EXPECT_EQ(alarms.QuickAlarm(40019), 1);

    EXPECT_EQ(notifications.set.size(), 2U);
    const MemoEntry& memo = *canvas.List().Current();
    EXPECT_EQ(memo.alarmHandle, 0U);
    EXPECT_EQ(memo.alarmTime, Time(2006, 5, 9, 10, 10, 0));
    EXPECT_EQ(window.titles, Titles{"[10:10, 09-05-2006] Tavrin"});
    EXPECT_EQ(notifications.acknowledged, std::vector<std::string>{kProgramPath});
    EXPECT_TRUE(canvas.Changed());
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "SetNotification() failed");
    EXPECT_EQ(window.messages[0].caption, "Error");
    EXPECT_EQ(window.messages[0].icon, platform::MessageIcon::Error);
}

TEST_F(AlarmSchedulerTest, RefusedNewNotificationIsNotRetried) {
    notifications.refuse = true;
    EXPECT_FALSE(alarms.RegisterAlarm(Time(2006, 5, 9, 10, 5, 0)));
    EXPECT_EQ(notifications.set.size(), 1U);
    EXPECT_TRUE(notifications.removed.empty());
}

TEST_F(AlarmSchedulerTest, TodayAtAnHourPastIsHandedOverThenDroppedBySamePass) {
    clock.now = Time(2006, 5, 9, 9, 0, 0);
    alarms.QuickAlarm(40030);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, Time(2006, 5, 9, 7, 0, 0));
    const MemoEntry& memo = *canvas.List().Current();
    EXPECT_EQ(memo.alarmHandle, 0U);
    EXPECT_EQ(memo.alarmTime, Time(2006, 5, 9, 7, 0, 0));
    EXPECT_EQ(window.titles, Titles{"[07:00, 09-05-2006] Tavrin"});
    EXPECT_TRUE(notifications.starts.empty());
    EXPECT_EQ(notifications.acknowledged, std::vector<std::string>{kProgramPath});
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(AlarmSchedulerTest, ClearRemovesAPendingAlarmAndZeroesItsTime) {
    alarms.RegisterAlarm(Time(2006, 5, 9, 10, 5, 0));
    ForgetCalls();
    alarms.ClearAlarm();
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{1});
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 0U);
    EXPECT_EQ(canvas.List().Current()->alarmTime, SYSTEMTIME{});
    EXPECT_EQ(window.titles, Titles{"Tavrin"});
    EXPECT_TRUE(canvas.Changed());
    // The wake-up for the cleared alarm stays; no new pass is made.
    EXPECT_TRUE(notifications.starts.empty());
    EXPECT_TRUE(notifications.acknowledged.empty());
}

TEST_F(AlarmSchedulerTest, ClearWithoutPendingAlarmOnlySetsTitleAndChanged) {
    const SYSTEMTIME past = Time(2006, 5, 9, 7, 0, 0);
    canvas.List().Current()->SetAlarm(0, past);
    alarms.ClearAlarm();
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_EQ(canvas.List().Current()->alarmTime, past);
    EXPECT_EQ(window.titles, Titles{"Tavrin"});
    EXPECT_TRUE(canvas.Changed());
}

TEST_F(AlarmSchedulerTest, WakeUpPassSchedulesTheEarliestAndDropsThePast) {
    MakeMemos(5);
    canvas.List().Next();  // memo 2 is current
    Pend(1, Time(2006, 5, 9, 10, 0, 36));  // a second before now
    Pend(2, Time(2006, 5, 9, 10, 30, 0));
    Pend(3, Time(2006, 5, 9, 10, 5, 0));
    Pend(4, Time(2006, 5, 9, 10, 0, 37));  // now: still to come
    alarms.WakeUpPass();

    EXPECT_EQ(Memo(1).alarmHandle, 0U);
    EXPECT_EQ(Memo(1).alarmTime, Time(2006, 5, 9, 10, 0, 36));
    EXPECT_EQ(Memo(2).alarmHandle, 2U);
    EXPECT_EQ(Memo(4).alarmHandle, 4U);
    ASSERT_EQ(notifications.starts.size(), 1U);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 5, 9, 10, 0, 39));
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_TRUE(notifications.acknowledged.empty());
    EXPECT_EQ(canvas.List().CurrentIndex(), 2);
    EXPECT_EQ(testing::DescribeListProblem(canvas.List()), "");
    EXPECT_FALSE(canvas.Changed());
}

TEST_F(AlarmSchedulerTest, WakeUpPassTakesTheLaterOfTiedMemos) {
    clock.now = Time(2005, 12, 31, 23, 0, 0);
    MakeMemos(3);
    // Same second; the milliseconds show which memo the start comes from.
    Pend(1, Time(2005, 12, 31, 23, 59, 59, 100));
    Pend(2, Time(2005, 12, 31, 23, 59, 59, 900));
    Pend(3, Time(2006, 1, 1, 0, 0, 0));
    alarms.WakeUpPass();
    ASSERT_EQ(notifications.starts.size(), 1U);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 1, 1, 0, 0, 1, 900));
}

TEST_F(AlarmSchedulerTest, WakeUpPassWithoutPendingAlarmAcknowledges) {
    MakeMemos(2);
    Pend(2, Time(2006, 5, 9, 9, 0, 0));
    alarms.WakeUpPass();
    EXPECT_EQ(Memo(2).alarmHandle, 0U);
    EXPECT_TRUE(notifications.starts.empty());
    EXPECT_EQ(notifications.acknowledged, std::vector<std::string>{kProgramPath});
}

struct DueCase {
    const char* name;
    int offsetSeconds;  // the alarm's distance from the wake-up
    bool due;           // due, or passed without an answer: brought up
};

class DueWindowTest : public AlarmFixture, public ::testing::WithParamInterface<DueCase> {};

// Less than fifteen seconds away the alarm is due. Farther back it has
// passed without an answer (the machine was off or asleep, the start came
// late) and is brought up all the same; farther ahead it waits.
TEST_P(DueWindowTest, BringsUpAnAlarmLessThanFifteenSecondsAwayOrPassed) {
    const DueCase& c = GetParam();
    MakeMemos(2);
    testing::DrawTaggedPage(Memo(2), 240, 320);
    const int fromNine = 3600 + 30 + c.offsetSeconds;  // seconds since 09:00
    const SYSTEMTIME alarm = Time(2006, 5, 9, 9 + fromNine / 3600, fromNine % 3600 / 60, fromNine % 60);
    clock.now = Time(2006, 5, 9, 10, 0, 30);
    Pend(2, alarm);
    ForgetCalls();
    alarms.DueAlarmLookup();

    EXPECT_EQ(Memo(2).alarmHandle, c.due ? 0U : 1U);
    EXPECT_EQ(Memo(2).alarmTime, alarm);
    EXPECT_EQ(canvas.List().CurrentIndex(), c.due ? 2 : 1);
    EXPECT_EQ(window.titles, c.due ? Titles{"Tavrin"} : Titles{});
    canvas.StorePage();
    // The due memo's page is on the surface; else the first memo's blank one.
    EXPECT_EQ(testing::InkBounds(canvas.List().Current()->page).Width(), c.due ? 240 : 0);
    EXPECT_TRUE(canvas.Changed());
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_TRUE(notifications.starts.empty());
    EXPECT_TRUE(notifications.acknowledged.empty());
}

INSTANTIATE_TEST_SUITE_P(Alarms, DueWindowTest,
                         ::testing::Values(DueCase{"AnHourBefore", -3600, true},
                                           DueCase{"FifteenBefore", -15, true},
                                           DueCase{"FourteenBefore", -14, true},
                                           DueCase{"AtTheSecond", 0, true},
                                           DueCase{"FourteenAfter", 14, true},
                                           DueCase{"FifteenAfter", 15, false}),
                         [](const ::testing::TestParamInfo<DueCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(AlarmSchedulerTest, LookupTakesTheFirstOfTiedMemosAndTheNextPassDropsTheOther) {
    MakeMemos(3);
    const SYSTEMTIME alarm = Time(2006, 5, 9, 10, 0, 35);
    Pend(2, alarm);
    Pend(3, alarm);
    alarms.DueAlarmLookup();
    EXPECT_EQ(canvas.List().CurrentIndex(), 2);
    EXPECT_EQ(Memo(2).alarmHandle, 0U);
    EXPECT_EQ(Memo(3).alarmHandle, 2U);

    clock.now = Time(2006, 5, 9, 10, 0, 40);
    alarms.WakeUpPass();
    EXPECT_EQ(Memo(3).alarmHandle, 0U);
    EXPECT_EQ(notifications.acknowledged, std::vector<std::string>{kProgramPath});
}

TEST_F(AlarmSchedulerTest, LookupOnTheCurrentMemoOnlyDropsItsAlarmFromTheTitle) {
    MakeMemos(2);
    Pend(1, Time(2006, 5, 9, 10, 0, 35));
    Pend(2, Time(2006, 5, 9, 10, 0, 36));
    ForgetCalls();
    alarms.DueAlarmLookup();
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_EQ(Memo(1).alarmHandle, 0U);
    EXPECT_EQ(Memo(2).alarmHandle, 2U);
    EXPECT_EQ(window.titles, Titles{"Tavrin"});
    EXPECT_TRUE(canvas.Changed());
}

TEST_F(AlarmSchedulerTest, LookupBringsUpTheEarliestMissedAlarmWhenNoneIsDue) {
    MakeMemos(4);
    Pend(2, Time(2006, 5, 9, 9, 0, 0));
    Pend(3, Time(2006, 5, 9, 8, 0, 0));  // the earliest: the start was for this one
    Pend(4, Time(2006, 5, 9, 11, 0, 0));
    alarms.DueAlarmLookup();
    EXPECT_EQ(canvas.List().CurrentIndex(), 3);
    EXPECT_EQ(Memo(3).alarmHandle, 0U);
    EXPECT_EQ(Memo(2).alarmHandle, 1U);
    EXPECT_EQ(Memo(4).alarmHandle, 3U);

    // A due alarm wins over one missed before it in the list.
    Pend(1, Time(2006, 5, 9, 10, 0, 40));
    alarms.DueAlarmLookup();
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_EQ(Memo(1).alarmHandle, 0U);
    EXPECT_EQ(Memo(2).alarmHandle, 1U);
}

// Where the clocks skip the alarm's time (daylight-saving time starts), it
// rings at the gap's end: the start follows two seconds later and finds it due.
TEST_F(AlarmSchedulerTest, AlarmInAGapRingsAtItsEndAndIsDueThen) {
    clock.gap = testing::FixedClock::Gap{Time(2006, 3, 26, 2, 0, 0), Time(2006, 3, 26, 3, 0, 0)};
    clock.now = Time(2006, 3, 26, 1, 45, 10);
    EXPECT_EQ(alarms.QuickAlarm(40022), 1);  // "1 hour": 02:45, which never comes
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, Time(2006, 3, 26, 2, 45, 0));
    EXPECT_EQ(canvas.List().Current()->alarmTime, Time(2006, 3, 26, 2, 45, 0));
    ASSERT_EQ(notifications.starts.size(), 1U);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 3, 26, 3, 0, 2));

    canvas.List().Append();
    clock.now = Time(2006, 3, 26, 3, 0, 2);
    alarms.DueAlarmLookup();
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_EQ(Memo(1).alarmHandle, 0U);
}

// The notification names its memo by the memo's creation time and the
// alarm's, and shows the page as it is on the surface, strokes not yet stored included.
TEST_F(AlarmSchedulerTest, RegisterAlarmHandsOverTheMemosKeyAndPage) {
    canvas.List().Current()->created = Time(2006, 5, 1, 8, 9, 10, 11);
    canvas.SetPenWidth(5);
    canvas.DrawSegment(10, 20, 100, 20);
    alarms.RegisterAlarm(Time(2006, 5, 9, 10, 5, 0));
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].memoKey, "2006-05-01T08:09:10.011/2006-05-09T10:05:00");
    EXPECT_EQ(notifications.set[0].picture, testing::PagePixels(canvas.List().Current()->page).Bytes());
    EXPECT_NE(testing::InkBounds(canvas.List().Current()->page), Rect{});
}

TEST(AlarmKeys, ReadBackAsWrittenAndNothingElse) {
    const AlarmKey key{Time(2030, 5, 1, 10, 11, 12, 345), Time(2030, 5, 3, 7, 15, 0, 0)};
    EXPECT_EQ(AlarmKeyText(key), "2030-05-01T10:11:12.345/2030-05-03T07:15:00");
    const auto read = ParseAlarmKey("2030-05-01T10:11:12.345/2030-05-03T07:15:00");
    ASSERT_TRUE(read);
    EXPECT_EQ(AlarmKeyText(*read), AlarmKeyText(key));
    for (const char* text : {"", "2030-05-01T10:11:12.345", "2030-05-01T10:11:12/2030-05-03T07:15:00",
                             "2030-05-01T10:11:12.345/2030-05-03T07:15:00 ", "2030-5-01T10:11:12.345/2030-05-03T07:15:00",
                             "2030-05-01T10:11:12.345/2030-05-03T07:15:00/x"}) {
        EXPECT_FALSE(ParseAlarmKey(text)) << text;
    }
}

class AlarmActionsTest : public AlarmFixture {
protected:
    AlarmActionsTest() {
        MakeMemos(3);
        // The clock gives the day of week; a key does not hold it.
        for (std::uint16_t i = 1; i <= 3; ++i) Memo(i).created = Time(2006, 5, 1, 8, 0, 0, i, 1);
        testing::DrawTaggedPage(Memo(3), 240, 320);
    }
    AlarmKey KeyOf(std::uint16_t position, const SYSTEMTIME& alarm) {
        return *ParseAlarmKey(AlarmKeyText({Memo(position).created, alarm}));
    }
};

TEST_F(AlarmActionsTest, OpenShowsTheMemoAndDropsItsAlarmOnceItHasRung) {
    const SYSTEMTIME rang = Time(2006, 5, 9, 10, 0, 0);
    Pend(3, rang);
    ForgetCalls();
    EXPECT_TRUE(alarms.ShowAlarmMemo(KeyOf(3, rang)));
    EXPECT_EQ(canvas.List().CurrentIndex(), 3);
    EXPECT_EQ(Memo(3).alarmHandle, 0U);
    EXPECT_EQ(Memo(3).alarmTime, rang);
    EXPECT_EQ(window.titles, Titles{"Tavrin"});
    canvas.StorePage();
    EXPECT_EQ(testing::InkBounds(Memo(3).page).Width(), 240);
    EXPECT_TRUE(canvas.Changed());
    EXPECT_TRUE(notifications.set.empty());
}

TEST_F(AlarmActionsTest, OpenKeepsALaterAlarmOfTheMemo) {
    // Snoozed meanwhile: the notification's alarm is not the memo's any more.
    const SYSTEMTIME snoozed = Time(2006, 5, 9, 10, 10, 0);
    Pend(2, snoozed);
    EXPECT_TRUE(alarms.ShowAlarmMemo(KeyOf(2, Time(2006, 5, 9, 10, 0, 0))));
    EXPECT_EQ(canvas.List().CurrentIndex(), 2);
    EXPECT_EQ(Memo(2).alarmHandle, 1U);
    // The canvas writes the title in the user's locale.
    EXPECT_THAT(window.titles.back(), ::testing::StartsWith("[10:10"));
}

TEST_F(AlarmActionsTest, OpenOfAMemoNoLongerThereChangesNothing) {
    EXPECT_FALSE(alarms.ShowAlarmMemo({Time(2006, 5, 1, 8, 0, 0, 9), Time(2006, 5, 9, 10, 0, 0)}));
    EXPECT_EQ(canvas.List().CurrentIndex(), 1);
    EXPECT_TRUE(window.titles.empty());
    EXPECT_FALSE(canvas.Changed());
}

TEST_F(AlarmActionsTest, SnoozeMovesTheAlarmTenMinutesOnFromNow) {
    const SYSTEMTIME rang = Time(2006, 5, 9, 9, 59, 0);
    canvas.List().Next();  // memo 2 is current
    Memo(3).SetAlarm(0, rang);  // answered by the start that followed the notification
    ForgetCalls();
    EXPECT_EQ(alarms.Snooze(KeyOf(3, rang)), AlarmScheduler::Snoozed::Yes);
    const SYSTEMTIME later = Time(2006, 5, 9, 10, 10, 37);  // now is 10:00:37.250
    EXPECT_EQ(Memo(3).alarmTime, later);
    EXPECT_EQ(Memo(3).alarmHandle, 1U);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, later);
    EXPECT_EQ(notifications.set[0].memoKey, AlarmKeyText(KeyOf(3, later)));
    // The memo's stored page, not the one on the surface.
    EXPECT_EQ(notifications.set[0].picture, testing::PagePixels(Memo(3).page).Bytes());
    // Another memo is shown: it stays, with its title.
    EXPECT_EQ(canvas.List().CurrentIndex(), 2);
    EXPECT_TRUE(window.titles.empty());
    ASSERT_EQ(notifications.starts.size(), 1U);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 5, 9, 10, 10, 39));
    EXPECT_TRUE(canvas.Changed());
}

TEST_F(AlarmActionsTest, SnoozeOfAPendingAlarmReplacesItsNotification) {
    const SYSTEMTIME ringing = Time(2006, 5, 9, 10, 0, 30);
    Pend(1, ringing);
    ForgetCalls();
    EXPECT_EQ(alarms.Snooze(KeyOf(1, ringing)), AlarmScheduler::Snoozed::Yes);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].existing, 1U);
    EXPECT_EQ(Memo(1).alarmHandle, 1U);
    EXPECT_EQ(window.titles, Titles{"[10:10, 09-05-2006] Tavrin"});
}

TEST_F(AlarmActionsTest, SnoozeLeavesAnotherAlarmOrAMissingMemoAlone) {
    Pend(2, Time(2006, 5, 9, 11, 0, 0));
    ForgetCalls();
    EXPECT_EQ(alarms.Snooze(KeyOf(2, Time(2006, 5, 9, 10, 0, 0))), AlarmScheduler::Snoozed::NoSuchAlarm);
    EXPECT_EQ(alarms.Snooze({Time(2006, 5, 1, 8, 0, 0, 9), Time(2006, 5, 9, 10, 0, 0)}),
              AlarmScheduler::Snoozed::NoSuchAlarm);
    EXPECT_TRUE(notifications.set.empty());
    EXPECT_EQ(Memo(2).alarmTime, Time(2006, 5, 9, 11, 0, 0));
    EXPECT_FALSE(canvas.Changed());

    notifications.refuse = true;
    Memo(1).SetAlarm(0, Time(2006, 5, 9, 10, 0, 0));
    EXPECT_EQ(alarms.Snooze(KeyOf(1, Time(2006, 5, 9, 10, 0, 0))), AlarmScheduler::Snoozed::Refused);
    EXPECT_EQ(Memo(1).alarmTime, Time(2006, 5, 9, 10, 10, 37));
    EXPECT_EQ(Memo(1).alarmHandle, 0U);
}

}  // namespace
}  // namespace tavrin
