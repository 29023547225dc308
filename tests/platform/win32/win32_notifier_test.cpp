// The notifier mode under Wine: the box it shows, read and answered from
// another thread as a user would, and the notification it finds by handle in
// the system's Task Scheduler. Wine plays no sound without a sound device
// and flashing can't be seen from outside; both are left to a look on Windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/win32/task_scheduler_notification_service.h"
#include "platform/win32/win32_notifier.h"
#include "platform/win32/win32_text.h"
#include "support/calendar_time.h"
#include "support/fixed_clock.h"

namespace tavrin::platform {
namespace {

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

struct SeenBox {
    bool shown = false;
    std::wstring title;
    std::vector<std::wstring> texts;    // of its windows that are not buttons
    std::vector<std::wstring> buttons;  // the labels of its buttons, in order
    bool topMost = false;
};

BOOL CALLBACK NoteChild(HWND child, LPARAM seen) {
    wchar_t className[32]{};
    ::GetClassNameW(child, className, 32);
    auto& box = *reinterpret_cast<SeenBox*>(seen);
    const std::wstring text = WindowText(child);
    if (text.empty() || !::IsWindowVisible(child)) return TRUE;
    (std::wstring(className) == L"Button" ? box.buttons : box.texts).push_back(text);
    return TRUE;
}

HWND ButtonLabelled(HWND box, const std::wstring& label) {
    HWND button = nullptr;
    while ((button = ::FindWindowExW(box, button, L"Button", nullptr)) != nullptr) {
        if (WindowText(button) == label) return button;
    }
    return nullptr;
}

// Watches for the notifier's box titled "Tavrin" while `show` runs, reads it
// and presses the button labelled `answer`, as a user would.
template <class Show>
SeenBox AnswerTheBoxOf(Show show, const std::wstring& answer) {
    SeenBox seen;
    std::atomic<bool> done = false;
    std::thread user([&] {
        while (!done) {
            HWND box = ::FindWindowW(L"#32770", L"Tavrin");
            HWND button = box ? ButtonLabelled(box, answer) : nullptr;
            if (button && ::IsWindowVisible(box)) {
                seen.shown = true;
                seen.title = WindowText(box);
                ::EnumChildWindows(box, NoteChild, reinterpret_cast<LPARAM>(&seen));
                // Its top-most place is given once it is there.
                for (int wait = 0; wait < 100 && !seen.topMost; ++wait) {
                    seen.topMost = (::GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                               reinterpret_cast<LPARAM>(button));
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    show();
    done = true;
    user.join();
    return seen;
}

const NotificationContent kContent{
    L"Tavrin",
    L"Tavrin [07:15, 03-05-2030]\r\n(Close the notification dialog to switch to the program)",
    L"Alarm2.wav",
    15,
    L"2030-05-01T10:11:12.345/2030-05-03T07:15:00",
    testing::Time(2030, 5, 3, 7, 16, 0)};

bool HasTextStartingWith(const SeenBox& box, const std::wstring& start) {
    for (const std::wstring& text : box.texts) {
        if (text.starts_with(start)) return true;
    }
    return false;
}

TEST(Notifier, ShowsATopMostBoxWithTheTitleTextAndThreeButtons) {
    const testing::FixedClock clock(testing::Time(2030, 5, 3, 7, 15, 1));
    const struct {
        const wchar_t* button;
        NotificationAnswer answer;
    } cases[] = {
        {L"Open", NotificationAnswer::Open},
        {L"Snooze 10 minutes", NotificationAnswer::Snooze},
        {L"Dismiss", NotificationAnswer::Dismiss},
    };
    for (const auto& [button, expected] : cases) {
        SCOPED_TRACE(FromSystemText(button));
        NotificationAnswer answer = NotificationAnswer::NotShown;
        const SeenBox seen = AnswerTheBoxOf(
            [&] { answer = ShowNotification(kContent, L"C:\\nowhere", clock); }, button);
        EXPECT_EQ(answer, expected);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, kContent.title);
        EXPECT_TRUE(HasTextStartingWith(seen, L"Tavrin [07:15, 03-05-2030]"));
        EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"Open", L"Snooze 10 minutes", L"Dismiss"}));
        EXPECT_TRUE(seen.topMost);
    }
}

TEST(Notifier, SaysWhenTheAlarmWasMissedAndOffersNoSnoozeWithoutAMemo) {
    // The machine was off: the notification comes after its end time.
    const testing::FixedClock afterwards(testing::Time(2030, 5, 3, 9, 0, 0));
    NotificationContent content = kContent;
    content.memo.clear();
    NotificationAnswer answer = NotificationAnswer::NotShown;
    const SeenBox seen = AnswerTheBoxOf(
        [&] { answer = ShowNotification(content, L"C:\\nowhere", afterwards); }, L"Dismiss");
    EXPECT_EQ(answer, NotificationAnswer::Dismiss);
    EXPECT_TRUE(HasTextStartingWith(seen, L"Missed alarm\r\nTavrin [07:15, 03-05-2030]") ||
                HasTextStartingWith(seen, L"Missed alarm\nTavrin [07:15, 03-05-2030]"));
    EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"Open", L"Dismiss"}));
}

// The notification found by its handle in the Task Scheduler; each answer
// starts the program again with what it asks for.
TEST(Notifier, ShowsTheNotificationItsHandleNamesAndStartsTheProgramForTheAnswer) {
    NotificationTrigger trigger;
    std::vector<wchar_t> self(32768);
    trigger.application = FromSystemText(
        std::wstring(self.data(), ::GetModuleFileNameW(nullptr, self.data(), 32768)));
    trigger.startTime = testing::Time(2030, 5, 3, 7, 15, 0);
    trigger.endTime = testing::Time(2030, 5, 3, 7, 16, 0);
    UserNotification notification;
    notification.actionFlags = kContent.actionFlags;
    notification.dialogTitle = FromSystemText(kContent.title);
    notification.dialogText = "Tavrin [08:00, 04-05-2030]\r\n\"%PATH%\" & <b> | \\";
    notification.sound = "Alarm2.wav";
    const std::string key = FromSystemText(kContent.memo);
    TaskSchedulerNotificationService service;
    const std::uint32_t handle = service.SetNotification(0, trigger, notification, {key, nullptr, {}});
    ASSERT_NE(handle, 0u) << service.LastError();
    wchar_t handleText[9];
    std::swprintf(handleText, std::size(handleText), L"%08x", handle);

    const struct {
        const wchar_t* button;
        std::vector<std::wstring> started;
    } cases[] = {
        {L"Open", {L"--open " + kContent.memo}},
        {L"Snooze 10 minutes", {L"--snooze " + kContent.memo}},
        {L"Dismiss", {}},
    };
    for (const auto& [button, expected] : cases) {
        SCOPED_TRACE(FromSystemText(button));
        std::vector<std::wstring> started;
        const auto start = [&](const std::wstring& arguments) {
            started.push_back(arguments);
            return true;
        };
        int result = -1;
        const SeenBox seen = AnswerTheBoxOf(
            [&] { result = RunNotifier(handleText, ConnectSystemTaskEngine, start); }, button);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(seen.shown);
        EXPECT_TRUE(HasTextStartingWith(seen, L"Tavrin [08:00, 04-05-2030]"));
        EXPECT_EQ(started, expected);
    }
    const auto failingStart = [](const std::wstring&) { return false; };
    int result = -1;
    AnswerTheBoxOf([&] { result = RunNotifier(handleText, ConnectSystemTaskEngine, failingStart); },
                   L"Open");
    EXPECT_EQ(result, 3);
    service.RemoveNotification(handle);
}

TEST(Notifier, ShowsNothingWithoutANotificationToShow) {
    TaskSchedulerNotificationService service;
    std::uint32_t unknown = 0x7A5C0001;
    while (service.ContentOf(unknown)) ++unknown;
    wchar_t unknownText[9];
    std::swprintf(unknownText, std::size(unknownText), L"%08X", unknown);
    for (const std::wstring& handle : {std::wstring(), std::wstring(L"00000000"),
                                       std::wstring(L"zz"), std::wstring(unknownText)}) {
        int result = -1;
        const SeenBox seen = AnswerTheBoxOf([&] { result = RunNotifier(handle); }, L"Dismiss");
        EXPECT_EQ(result, 1) << FromSystemText(handle);
        EXPECT_FALSE(seen.shown) << FromSystemText(handle);
    }
}

}  // namespace
}  // namespace tavrin::platform
