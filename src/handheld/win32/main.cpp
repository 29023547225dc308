// Tavrin for Windows: the notepad's shell over the wide "W" calls. One main
// window of class "TAVRIN" shows the 240 × 320 page above the menu bar; a
// second start hands over to the running one and ends.
#include "platform/win32/win32_api.h"

#include <commctrl.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <windowsx.h>
// windowsx.h is here for the signed point of mouse messages (GET_X_LPARAM);
// its object selection macros would rename the drawing contexts' functions.
#undef SelectBitmap
#undef SelectPen
#undef SelectBrush

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "handheld/notepad.h"
#include "menu_bar.h"
#include "platform/win32/win32_drawing.h"
#include "platform/win32/task_scheduler_notification_service.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_notifier.h"
#include "platform/win32/win32_text.h"
#include "resource.h"
#include "set_time_window.h"

namespace {

using tavrin::Rect;
using tavrin::handheld::Notepad;
namespace platform = tavrin::platform;
namespace handheld = tavrin::handheld;

constexpr int kTextLimit = 100;
// Long enough for any path Windows hands out, so that the program's path is
// never cut into the name of another file.
constexpr DWORD kPathLimit = 32768;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE;

// The notification service that Tavrin.exe hands its alarms to: the user's
// tasks in the Task Scheduler.
platform::NotificationService& AlarmService() {
    static platform::TaskSchedulerNotificationService service;
    return service;
}

// The argument of the notifier mode, in which a notification's task starts
// the program at the alarm time; none for any other start.
std::optional<std::wstring_view> NotifierArgument(std::wstring_view commandLine) {
    const std::wstring_view notifierSwitch = platform::TaskSchedulerNotificationService::NotifierSwitch();
    if (!commandLine.starts_with(notifierSwitch)) return std::nullopt;
    commandLine.remove_prefix(notifierSwitch.size());
    while (commandLine.starts_with(L' ')) commandLine.remove_prefix(1);
    return commandLine;
}

struct Program {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    std::string programPath;
    std::string dataPath;  // empty when the program's path can't be had
    bool twelveHour = false;
    bool alarmStart = false;
    bool savedAtExit = false;
};
Program program;
handheld::MenuBarWindow menuBar;
// Made while the main window is created, deleted when it is destroyed.
std::unique_ptr<Notepad> notepad;

// The main window as the notepad sees it: the page at the top left of its
// client area, above the menu bar.
class PageWindow final : public platform::HostWindow {
public:
    void SetHandle(HWND window) { window_.SetHandle(window); }

    Rect ClientRect() const override {
        Rect area = window_.ClientRect();
        area.right = std::min(area.right, area.left + tavrin::kPageWidth);
        area.bottom = std::max(area.top, area.bottom - menuBar.Height());
        return area;
    }
    void SetTitle(const std::string& title) override { window_.SetTitle(title); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     platform::MessageIcon icon) override {
        window_.ShowMessage(text, caption, icon);
    }

private:
    platform::Win32HostWindow window_;
};
PageWindow page;

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

class Win32Shell final : public handheld::NotepadShell {
public:
    void RepaintNow(const Rect& box) override {
        const RECT area{box.left, box.top, box.right, box.bottom};
        InvalidateRect(program.mainWindow, &area, FALSE);
        UpdateWindow(program.mainWindow);
    }
    bool Confirm(const std::string& question, const std::string& caption) override {
        return MessageBoxW(program.mainWindow, platform::ToSystemTextForDisplay(question).c_str(),
                           platform::ToSystemTextForDisplay(caption).c_str(),
                           MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    }
    void ShowAbout() override {
        DialogBoxW(program.instance, MAKEINTRESOURCEW(IDD_ABOUTBOX), program.mainWindow,
                   AboutProcedure);
    }
    void RunSetTimeDialog() override {
        if (handheld::RunSetTimeWindow(program.instance, program.mainWindow, notepad->Alarms(),
                                       program.twelveHour) == 0) {
            page.ShowMessage("The \"Set notification time\" dialog could not be opened.",
                             tavrin::kErrorCaption, platform::MessageIcon::Error);
        }
    }
    // The window hears that it is no longer active, then closes.
    void Close() override {
        SendMessageW(program.mainWindow, WM_ACTIVATE, WA_INACTIVE,
                     reinterpret_cast<LPARAM>(program.mainWindow));
        SendMessageW(program.mainWindow, WM_CLOSE, 0, 0);
    }
    void CaptureStylus() override { SetCapture(program.mainWindow); }
    void ReleaseStylus() override { ReleaseCapture(); }
    // Timer ids are the notepad's timers counted from 1: 0 is no timer.
    void StartTimer(handheld::NotepadTimer timer, int milliseconds) override {
        SetTimer(program.mainWindow, static_cast<UINT_PTR>(timer) + 1, static_cast<UINT>(milliseconds),
                 nullptr);
    }
};
Win32Shell shell;

// The window was made for the page alone; the menu bar below it adds its
// height, and its width where the buttons need more than the page's (the
// page keeps its size at the left).
void MakeRoomForMenuBar(HWND window) {
    RECT place{};
    GetWindowRect(window, &place);
    const int wider = std::max(0, menuBar.NeededWidth() - tavrin::kPageWidth);
    SetWindowPos(window, nullptr, 0, 0, place.right - place.left + wider,
                 place.bottom - place.top + menuBar.Height(),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    menuBar.FollowOwner();
}

bool CreateMainWindow(HWND window) {
    program.mainWindow = window;
    page.SetHandle(window);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (menuBar.Create(program.instance, window, program.twelveHour)) MakeRoomForMenuBar(window);
    try {
        notepad = std::make_unique<Notepad>(handheld::NotepadSetup{.window = page,
                                                                   .shell = shell,
                                                                   .notifications = AlarmService(),
                                                                   .programPath = program.programPath,
                                                                   .dataPath = program.dataPath,
                                                                   .alarmStart = program.alarmStart});
    } catch (const std::bad_alloc&) {
        page.ShowMessage("Not enough memory", tavrin::kErrorCaption, platform::MessageIcon::Error);
        return false;
    }
    PostMessageW(window, WM_REFRESH_TITLE, 0, 0);
    return true;
}

// The end of the program writes the memo data file, even unchanged. When
// neither it nor a file beside it can be written, the window stays open, so
// that the memos are not lost; the user is told so.
LRESULT CloseMainWindow(HWND window) {
    if (notepad != nullptr && !notepad->SaveAtExit()) return 0;
    program.savedAtExit = true;
    DestroyWindow(window);
    return 0;
}

void DestroyMainWindow() {
    if (notepad != nullptr) {
        if (!program.savedAtExit) notepad->SaveAtExit();
        notepad.reset();
    }
    menuBar.Destroy();
    PostQuitMessage(0);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const Rect area = page.ClientRect();
    const RECT& asked = paint.rcPaint;
    if (const auto update = tavrin::Intersect(asked.left, asked.top, asked.right - asked.left,
                                              asked.bottom - asked.top, area)) {
        platform::Win32PaintContext context(dc);
        notepad->Paint(context, *update);
    }
    EndPaint(window, &paint);
}

bool IsDropDown(LPARAM lParam) {
    return reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(TBN_DROPDOWN);
}

// Messages that come before the notepad is made (while the window and its
// menu bar are created) or after it is gone go to default handling.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) return CreateMainWindow(window) ? 0 : -1;
    if (message == WM_DESTROY) {
        DestroyMainWindow();
        return 0;
    }
    if (notepad == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_CLOSE: return CloseMainWindow(window);
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) notepad->Minimised();
            menuBar.FollowOwner();
            break;
        case WM_PAINT: Paint(window); return 0;
        // The locale's date and time forms may have changed: the title and
        // the status texts are written anew.
        case WM_SETTINGCHANGE:
            notepad->RefreshTitle();
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_KEYDOWN:
            if (notepad->PressKey(static_cast<int>(wParam))) return 0;
            break;
        case WM_COMMAND:
            if (notepad->RunCommand(LOWORD(wParam))) return 0;
            break;
        case WM_NOTIFY:
            if (!IsDropDown(lParam)) break;
            menuBar.OpenMenu(*reinterpret_cast<const NMTOOLBARW*>(lParam));
            return TBDDRET_DEFAULT;
        case WM_LBUTTONDOWN: notepad->StylusDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_MOUSEMOVE: notepad->StylusMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_LBUTTONUP: notepad->StylusUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
        case WM_REFRESH_TITLE: notepad->RefreshTitle(); return 0;
        case WM_TIMER:
            KillTimer(window, wParam);
            notepad->TimerFired(static_cast<handheld::NotepadTimer>(wParam - 1));
            return 0;
        case WM_ALARM_START: notepad->AlarmStart(); return 0;
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A second start brings the running window (or the dialog it shows) to the
// front and hands over the alarm start, or a new page when that window was
// in front already.
void HandOverTo(HWND running) {
    const bool wasInFront = GetForegroundWindow() == running;
    SetForegroundWindow(GetLastActivePopup(running));
    switch (handheld::HandOverFor(program.alarmStart, wasInFront)) {
        case handheld::HandOver::AlarmStart: PostMessageW(running, WM_ALARM_START, 0, 0); break;
        case handheld::HandOver::NewPage:
            PostMessageW(running, WM_COMMAND, MAKEWPARAM(IDM_NEW_PAGE, 0), 0);
            break;
        case handheld::HandOver::Nothing: break;
    }
}

// The installer leaves this file beside the Tavrin.exe it installs.
constexpr wchar_t kInstalledMarker[] = L"Tavrin.installed";

// An installed Tavrin.exe keeps its memos in the user's local application
// data, %LOCALAPPDATA%\Tavrin\Tavrin.dat, its folder made when missing: a
// programs folder is no place for documents. None when the program was not
// installed (a copy anywhere else keeps them beside itself) or that folder
// can't be had.
std::optional<std::string> InstalledDataFile(std::wstring_view programPath) {
    const std::wstring folder(programPath.substr(0, programPath.find_last_of(L"\\/") + 1));
    if (GetFileAttributesW((folder + kInstalledMarker).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    PWSTR localData = nullptr;
    const bool found = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localData));
    const std::wstring dataFolder = found ? std::wstring(localData) + L"\\Tavrin" : std::wstring();
    CoTaskMemFree(localData);
    if (!found || (!CreateDirectoryW(dataFolder.c_str(), nullptr) &&
                   GetLastError() != ERROR_ALREADY_EXISTS)) {
        return std::nullopt;
    }
    return platform::FromSystemText(dataFolder + L"\\Tavrin.dat");
}

// The memo data file lies beside the program, or in the user's local
// application data for an installed one; the menus follow the locale's clock.
void SetUpPaths() {
    std::wstring path(kPathLimit, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kPathLimit);
    if (length == 0 || length >= kPathLimit) return;
    program.programPath = platform::FromSystemText({path.data(), length});
    program.dataPath = InstalledDataFile({path.data(), length})
                           .value_or(handheld::DataFileBeside(program.programPath));
    wchar_t timeFormat[2]{};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ITIME, timeFormat, 2) > 0) {
        program.twelveHour = timeFormat[0] == L'0';
    }
}

void RegisterWindowClass(const wchar_t* className) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = program.instance;
    windowClass.hIcon = LoadIconW(program.instance, MAKEINTRESOURCEW(IDI_TAVRIN));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
}

// The window's outer size for a client area of one page.
SIZE WindowSizeForPage() {
    RECT area{0, 0, tavrin::kPageWidth, tavrin::kPageHeight};
    AdjustWindowRect(&area, kWindowStyle, FALSE);
    return {area.right - area.left, area.bottom - area.top};
}

// False when this instance is to end: another one runs, or the window can't be made.
bool StartInstance(HINSTANCE instance, const wchar_t* commandLine, int showState) {
    program.instance = instance;
    wchar_t className[kTextLimit]{};
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kTextLimit);
    program.alarmStart = handheld::IsAlarmStart(platform::FromSystemText(commandLine));
    if (HWND running = FindWindowW(className, nullptr)) {
        HandOverTo(running);
        return false;
    }
    SetUpPaths();
    RegisterWindowClass(className);
    wchar_t title[kTextLimit]{};
    LoadStringW(instance, IDS_APP_TITLE, title, kTextLimit);
    const SIZE size = WindowSizeForPage();
    HWND window = CreateWindowW(className, title, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showState);
    UpdateWindow(window);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showState) {
    if (const auto handle = NotifierArgument(commandLine)) return platform::RunNotifier(*handle);
    if (!StartInstance(instance, commandLine, showState)) return 0;
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_ACCELERATORS));
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
