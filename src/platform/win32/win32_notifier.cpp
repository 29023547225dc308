#include "platform/win32/win32_notifier.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <vector>

#include "platform/notification_service.h"
#include "platform/win32/win32_text.h"

namespace tavrin::platform {
namespace {

// The box's buttons, as the task dialog reports them.
constexpr int kOpenButton = 100;
constexpr int kSnoozeButton = 101;
constexpr int kDismissButton = 102;

// Only a plain file name: the record must not make the notifier play
// whatever file it names elsewhere.
bool IsPlainFileName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." &&
           name.find_first_of(L"\\/:") == std::wstring::npos;
}

std::wstring ThisProgram() {
    std::vector<wchar_t> path(32768);
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

std::wstring ProgramFolder() {
    const std::wstring program = ThisProgram();
    const std::size_t slash = program.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
}

// Once the box is there: it stays above every other window, and its taskbar
// button flashes when the notification asks for the light.
HRESULT CALLBACK OnBoxEvent(HWND box, UINT event, WPARAM, LPARAM, LONG_PTR flash) {
    if (event == TDN_CREATED) {
        ::SetWindowPos(box, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        if (flash != 0) {
            FLASHWINFO flashing{sizeof flashing, box, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
            ::FlashWindowEx(&flashing);
        }
    }
    return S_OK;
}

// The arguments the program is started with for an answer; empty for none.
std::wstring ArgumentsFor(NotificationAnswer answer, const NotificationContent& content) {
    const std::wstring memo = content.memo;
    switch (answer) {
        case NotificationAnswer::Open:
            // Without a memo the program comes to the front as at its alarm start.
            if (memo.empty()) return L"AppRunAtTime";
            return *ToSystemText(kOpenMemoSwitch) + L" " + memo;
        case NotificationAnswer::Snooze:
            if (memo.empty()) return {};
            return *ToSystemText(kSnoozeMemoSwitch) + L" " + memo;
        case NotificationAnswer::Dismiss:
        case NotificationAnswer::NotShown: return {};
    }
    return {};
}

}  // namespace

bool StartThisProgram(const std::wstring& arguments) {
    const std::wstring program = ThisProgram();
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

NotificationAnswer ShowNotification(const NotificationContent& content,
                                    const std::wstring& soundFolder, const Clock& clock) {
    const bool sound =
        (content.actionFlags & UserNotification::kPlaySound) != 0 && IsPlainFileName(content.sound);
    const std::wstring soundPath = soundFolder + L"\\" + content.sound;
    if ((content.actionFlags & UserNotification::kShowDialog) == 0) {
        if (sound)
            ::PlaySoundW(soundPath.c_str(), nullptr, SND_FILENAME | SND_SYNC | SND_NODEFAULT);
        return NotificationAnswer::Dismiss;
    }
    const std::wstring missed = *ToSystemText(kMissedAlarmLine) + L"\r\n";
    const std::wstring text =
        content.until && IsMissed(*content.until, clock) ? missed + content.text : content.text;
    const std::wstring open = *ToSystemText(kOpenAction);
    const std::wstring snooze = *ToSystemText(kSnoozeAction);
    const std::wstring dismiss = *ToSystemText(kDismissAction);
    std::vector<TASKDIALOG_BUTTON> buttons{{kOpenButton, open.c_str()}};
    if (!content.memo.empty()) buttons.push_back({kSnoozeButton, snooze.c_str()});
    buttons.push_back({kDismissButton, dismiss.c_str()});

    TASKDIALOGCONFIG box{};
    box.cbSize = sizeof box;
    // Escape and the close button answer as "Dismiss" does.
    box.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    box.pszWindowTitle = content.title.c_str();
    box.pszMainIcon = TD_INFORMATION_ICON;
    box.pszContent = text.c_str();
    box.cButtons = static_cast<UINT>(buttons.size());
    box.pButtons = buttons.data();
    box.nDefaultButton = kOpenButton;
    box.pfCallback = OnBoxEvent;
    box.lpCallbackData = (content.actionFlags & UserNotification::kFlashLight) != 0 ? 1 : 0;

    if (sound) ::PlaySoundW(soundPath.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
    int pressed = 0;
    const HRESULT shown = ::TaskDialogIndirect(&box, &pressed, nullptr, nullptr);
    if (sound) ::PlaySoundW(nullptr, nullptr, 0);
    if (FAILED(shown)) return NotificationAnswer::NotShown;
    switch (pressed) {
        case kOpenButton: return NotificationAnswer::Open;
        case kSnoozeButton: return NotificationAnswer::Snooze;
        default: return NotificationAnswer::Dismiss;
    }
}

int RunNotifier(std::wstring_view handleText, TaskEngine engine, const ProgramStart& start,
                const Clock& clock) {
    const auto handle = ParseNotificationHandle(handleText);
    if (!handle) return 1;
    TaskSchedulerNotificationService service(std::move(engine), clock);
    const auto content = service.ContentOf(*handle);
    if (!content) return 1;
    const NotificationAnswer answer = ShowNotification(*content, ProgramFolder(), clock);
    if (answer == NotificationAnswer::NotShown) return 2;
    const std::wstring arguments = ArgumentsFor(answer, *content);
    if (!arguments.empty() && !start(arguments)) return 3;
    return 0;
}

}  // namespace tavrin::platform
