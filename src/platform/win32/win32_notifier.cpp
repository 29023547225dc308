#include "platform/win32/win32_notifier.h"

#include <mmsystem.h>

#include <vector>

#include "platform/notification_service.h"

namespace tavrin::platform {
namespace {

// The box is made inside MessageBox; this hook, set on the notifier's
// thread while the box opens, is where its window can be had: to keep it
// above every other window (MB_TOPMOST alone does not under Wine) and to
// flash it when the notification asks for the light.
thread_local bool flashOnActivate = false;

LRESULT CALLBACK OnBoxActivated(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const auto box = reinterpret_cast<HWND>(wParam);
        ::SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (flashOnActivate) {
            FLASHWINFO flash{sizeof flash, box, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
            ::FlashWindowEx(&flash);
            flashOnActivate = false;
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// Only a plain file name: the record must not make the notifier play
// whatever file it names elsewhere.
bool IsPlainFileName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::wstring ProgramFolder() {
    std::vector<wchar_t> path(32768);
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    const std::wstring program(path.data(), length);
    const std::size_t slash = program.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
}

}  // namespace

int ShowNotification(const NotificationContent& content, const std::wstring& soundFolder) {
    const bool sound =
        (content.actionFlags & UserNotification::kPlaySound) != 0 && IsPlainFileName(content.sound);
    const std::wstring soundPath = soundFolder + L"\\" + content.sound;
    if ((content.actionFlags & UserNotification::kShowDialog) == 0) {
        if (sound)
            ::PlaySoundW(soundPath.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
        return 0;
    }
    if (sound) ::PlaySoundW(soundPath.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    flashOnActivate = (content.actionFlags & UserNotification::kFlashLight) != 0;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, OnBoxActivated, nullptr, ::GetCurrentThreadId());
    const int answer = ::MessageBoxW(nullptr, content.text.c_str(), content.title.c_str(),
                                     MB_OK | MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND);
    if (hook) ::UnhookWindowsHookEx(hook);
    flashOnActivate = false;
    if (sound) ::PlaySoundW(nullptr, nullptr, 0);
    // No box could be made: the notification was not shown.
    return answer == 0 ? 2 : 0;
}

int RunNotifier(std::wstring_view handleText, TaskEngine engine) {
    const auto handle = ParseNotificationHandle(handleText);
    if (!handle) return 1;
    TaskSchedulerNotificationService service(std::move(engine));
    const auto content = service.ContentOf(*handle);
    if (!content) return 1;
    return ShowNotification(*content, ProgramFolder());
}

}  // namespace tavrin::platform
