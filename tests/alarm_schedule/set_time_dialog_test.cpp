#include "alarm_schedule/set_time_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alarm_schedule/alarm_fixture.h"

namespace tavrin {
namespace {

using testing::Time;

// The dialog's date and time fields as plain values.
class PlainFields : public TimeFields {
public:
    SYSTEMTIME Date() const override { return date; }
    void SetDate(const SYSTEMTIME& value) override { date = value; }
    SYSTEMTIME Time() const override { return time; }
    void SetTime(const SYSTEMTIME& value) override { time = value; }

    SYSTEMTIME date;
    SYSTEMTIME time;
};

class SetTimeDialogTest : public testing::AlarmFixture {
protected:
    PlainFields fields;
    SetTimeDialog dialog{alarms, fields};
};

TEST_F(SetTimeDialogTest, OpensOnTheNextMinuteWithoutPendingAlarm) {
    clock.now = Time(2005, 12, 31, 23, 59, 37, 250);
    // A time without a pending alarm counts for nothing.
    canvas.List().Current()->SetAlarm(0, Time(2005, 12, 31, 7, 0, 0));
    dialog.Open();
    EXPECT_EQ(fields.date, Time(2006, 1, 1, 0, 0, 0));
    EXPECT_EQ(fields.time, Time(2006, 1, 1, 0, 0, 0));
}

TEST_F(SetTimeDialogTest, OpensOnThePendingAlarm) {
    const SYSTEMTIME alarm = Time(2006, 5, 20, 18, 45, 0);
    Pend(1, alarm);
    dialog.Open();
    EXPECT_EQ(fields.date, alarm);
    EXPECT_EQ(fields.time, alarm);
}

struct DayCase {
    const char* name;
    SYSTEMTIME now;
    int button;
    SYSTEMTIME date;
};

class DayButtonTest : public SetTimeDialogTest, public ::testing::WithParamInterface<DayCase> {};

TEST_P(DayButtonTest, SetsTheDateAndLeavesTheTime) {
    const DayCase& c = GetParam();
    clock.now = c.now;
    const SYSTEMTIME time = Time(2006, 5, 9, 10, 1, 0);
    fields.time = time;
    EXPECT_EQ(dialog.Command(c.button), std::nullopt);
    EXPECT_EQ(fields.date, c.date);
    EXPECT_EQ(fields.time, time);
    EXPECT_TRUE(notifications.set.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Alarms, DayButtonTest,
    ::testing::Values(
        DayCase{"Today", Time(2005, 12, 31, 9, 0, 5, 7), kTodayButton, Time(2005, 12, 31, 9, 0, 5, 7)},
        DayCase{"TomorrowIntoNextYear", Time(2005, 12, 31, 9, 0), kTomorrowButton,
                Time(2006, 1, 1, 9, 0)},
        DayCase{"AfterTomorrowIntoNextYear", Time(2005, 12, 31, 9, 0), kAfterTomorrowButton,
                Time(2006, 1, 2, 9, 0)},
        DayCase{"AfterTomorrowOverLeapDay", Time(2004, 2, 28, 9, 0), kAfterTomorrowButton,
                Time(2004, 3, 1, 9, 0)},
        DayCase{"AfterTomorrowIntoNextMonth", Time(2006, 4, 29, 9, 0), kAfterTomorrowButton,
                Time(2006, 5, 1, 9, 0)}),
    [](const ::testing::TestParamInfo<DayCase>& param) { return std::string(param.param.name); });

TEST_F(SetTimeDialogTest, HourAndMinuteButtonsSetTheTimeOnTheMinute) {
    fields.time = Time(2006, 5, 9, 10, 1, 37, 250);
    dialog.HourButton(18);
    dialog.MinuteButton(9);
    EXPECT_EQ(fields.time, Time(2006, 5, 9, 18, 45, 0));
    // Numbers that are no button change nothing.
    for (int number : {-1, 24}) dialog.HourButton(number);
    for (int number : {-1, 12}) dialog.MinuteButton(number);
    EXPECT_EQ(fields.time, Time(2006, 5, 9, 18, 45, 0));
}

TEST_F(SetTimeDialogTest, OkRegistersTheTimeOnTheDateFieldsDay) {
    fields.date = Time(2006, 5, 3, 22, 10, 0, 0, /*dayOfWeek=*/3);
    fields.time = Time(2000, 1, 1, 7, 15, 0, 0, /*dayOfWeek=*/6);
    EXPECT_EQ(dialog.Command(kOkButton), kSetTimeConfirmed);
    const SYSTEMTIME expected = Time(2006, 5, 3, 7, 15, 0, 0, 3);
    ASSERT_EQ(notifications.set.size(), 1U);
    EXPECT_EQ(notifications.set[0].trigger.startTime, expected);
    EXPECT_EQ(canvas.List().Current()->alarmTime, expected);
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(SetTimeDialogTest, OkClosesAfterTellingOfARefusal) {
    notifications.refuse = true;
    dialog.Open();
    EXPECT_EQ(dialog.Command(kOkButton), kSetTimeConfirmed);
    ASSERT_EQ(window.messages.size(), 1U);
    EXPECT_EQ(window.messages[0].text, "SetNotification() failed");
    EXPECT_EQ(window.messages[0].caption, "Error");
}

TEST_F(SetTimeDialogTest, CancelChangesNothing) {
    Pend(1, Time(2006, 5, 20, 18, 45, 0));
    dialog.Open();
    dialog.Command(kTomorrowButton);
    dialog.HourButton(3);
    EXPECT_EQ(dialog.Command(kCancelButton), kSetTimeCancelled);
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 1U);
    EXPECT_EQ(canvas.List().Current()->alarmTime, Time(2006, 5, 20, 18, 45, 0));
    EXPECT_TRUE(notifications.set.empty());
    EXPECT_TRUE(notifications.removed.empty());
    EXPECT_TRUE(window.titles.empty());
    EXPECT_FALSE(canvas.Changed());
}

TEST_F(SetTimeDialogTest, ClearWithdrawsTheAlarm) {
    Pend(1, Time(2006, 5, 20, 18, 45, 0));
    dialog.Open();
    EXPECT_EQ(dialog.Command(kClearButton), kSetTimeCleared);
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{1});
    EXPECT_EQ(canvas.List().Current()->alarmHandle, 0U);
    EXPECT_EQ(window.titles, std::vector<std::string>{"Tavrin"});
}

TEST_F(SetTimeDialogTest, OtherControlsLeaveTheDialogOpen) {
    for (int control : {0, kDateField, kTimeField, 4, 1013}) {
        EXPECT_EQ(dialog.Command(control), std::nullopt) << control;
    }
}

std::vector<std::string> Labels(const auto& buttons) {
    std::vector<std::string> labels;
    for (const TimeButton& button : buttons) labels.push_back(button.label);
    return labels;
}

TEST(TimeButtons, LabelsInBothClockForms) {
    EXPECT_EQ(Labels(HourButtons(false)),
              (std::vector<std::string>{"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",
                                        "8",  "9",  "10", "11", "12", "13", "14", "15",
                                        "16", "17", "18", "19", "20", "21", "22", "23"}));
    EXPECT_EQ(Labels(HourButtons(true)),
              (std::vector<std::string>{"0a",  "1a", "2a", "3a", "4a", "5a", "6a", "7a",
                                        "8a",  "9a", "10a", "11a", "12p", "1p", "2p", "3p",
                                        "4p",  "5p", "6p", "7p", "8p", "9p", "10p", "11p"}));
    EXPECT_EQ(Labels(MinuteButtons()),
              (std::vector<std::string>{":00", ":05", ":10", ":15", ":20", ":25", ":30", ":35",
                                        ":40", ":45", ":50", ":55"}));
}

TEST(TimeButtons, ColumnsOfSixOnTheFullScreenDialog) {
    const auto hours = HourButtons(false);
    const auto minutes = MinuteButtons();
    EXPECT_EQ(hours[0].place, (Rect{3, 110, 37, 129}));
    EXPECT_EQ(hours[5].place, (Rect{3, 210, 37, 229}));
    EXPECT_EQ(hours[6].place, (Rect{38, 110, 72, 129}));
    EXPECT_EQ(hours[23].place, (Rect{108, 210, 142, 229}));
    EXPECT_EQ(minutes[0].place, (Rect{166, 110, 200, 129}));
    EXPECT_EQ(minutes[1].place, (Rect{201, 110, 235, 129}));
    EXPECT_EQ(minutes[11].place, (Rect{201, 210, 235, 229}));

    // All 36 on the 240 × 320 screen, none over another.
    std::vector<Rect> places;
    for (const auto& button : hours) places.push_back(button.place);
    for (const auto& button : minutes) places.push_back(button.place);
    for (std::size_t i = 0; i < places.size(); ++i) {
        const Rect& a = places[i];
        EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= 240 && a.bottom <= 320) << i;
        for (std::size_t j = i + 1; j < places.size(); ++j) {
            const Rect& b = places[j];
            const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                               b.bottom <= a.top;
            EXPECT_TRUE(apart) << i << " and " << j;
        }
    }
}

}  // namespace
}  // namespace tavrin
