// The notifier mode under Wine: the box it shows, read and closed from
// another thread as a user would, and the notification it finds by handle in
// the system's Task Scheduler. Wine plays no sound without a sound device
// and flashing can't be seen from outside; both are left to a look on Windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win32/task_scheduler_notification_service.h"
#include "platform/win32/win32_notifier.h"
#include "platform/win32/win32_text.h"
#include "support/calendar_time.h"

namespace tavrin::platform {
namespace {

struct SeenBox {
    bool shown = false;
    std::wstring title;
    std::wstring text;
    bool topMost = false;
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Watches for the notifier's box titled "Tavrin" while `show` runs, reads it
// and presses its OK button.
template <class Show>
SeenBox CloseTheBoxOf(Show show, int& result) {
    SeenBox seen;
    std::atomic<bool> done = false;
    std::thread user([&] {
        while (!done) {
            if (HWND box = ::FindWindowW(L"#32770", L"Tavrin"); box && ::IsWindowVisible(box)) {
                seen = {true, WindowText(box), WindowText(::GetDlgItem(box, 0xFFFF)), false};
                // Its top-most place is given while it opens.
                for (int wait = 0; wait < 100 && !seen.topMost; ++wait) {
                    seen.topMost = (::GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    result = show();
    done = true;
    user.join();
    return seen;
}

const NotificationContent kContent{
    L"Tavrin",
    L"Tavrin [07:15, 03-05-2030]\r\n(Close the notification dialog to switch to the program)",
    L"Alarm2.wav", 15};

TEST(Notifier, ShowsATopMostBoxWithTheTitleAndTextUntilItIsClosed) {
    int result = -1;
    const SeenBox seen =
        CloseTheBoxOf([] { return ShowNotification(kContent, L"C:\\nowhere"); }, result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, kContent.title);
    EXPECT_EQ(seen.text, kContent.text);
    EXPECT_TRUE(seen.topMost);
}

TEST(Notifier, ShowsTheNotificationItsHandleNames) {
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
    TaskSchedulerNotificationService service;
    const std::uint32_t handle = service.SetNotification(0, trigger, notification);
    ASSERT_NE(handle, 0u) << service.LastError();
    wchar_t handleText[9];
    std::swprintf(handleText, std::size(handleText), L"%08x", handle);

    int result = -1;
    const SeenBox seen = CloseTheBoxOf([&] { return RunNotifier(handleText); }, result);
    service.RemoveNotification(handle);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(FromSystemText(seen.text), notification.dialogText);
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
        const SeenBox seen = CloseTheBoxOf([&] { return RunNotifier(handle); }, result);
        EXPECT_EQ(result, 1) << FromSystemText(handle);
        EXPECT_FALSE(seen.shown) << FromSystemText(handle);
    }
}

}  // namespace
}  // namespace tavrin::platform
