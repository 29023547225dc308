// Tavrin for Windows: the notepad's shell over the wide "W" calls. One main
// window of class "TAVRIN" per user and memo data file shows the 240 × 320
// page above the menu bar; a second start on the same file hands over to the
// running one and ends. A start that only snoozes an alarm, with no Tavrin
// running on its file, makes no window.
#include "platform/win32/win32_api.h"

#include <commctrl.h>
#include <commdlg.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <sddl.h>
#include <windowsx.h>
// windowsx.h is here for the signed point of mouse messages (GET_X_LPARAM);
// its object selection macros would rename the drawing contexts' functions.
#undef SelectBitmap
#undef SelectPen
#undef SelectBrush

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "handheld/notepad.h"
#include "menu_bar.h"
#include "platform/win32/win32_drawing.h"
#include "platform/win32/task_scheduler_notification_service.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_notifier.h"
#include "platform/win32/win32_text.h"
#include "resource.h"
#include "set_time_window.h"
#include "store/path_digest.h"

namespace {

using tavrin::Rect;
using tavrin::handheld::Notepad;
namespace platform = tavrin::platform;
namespace handheld = tavrin::handheld;

constexpr int kTextLimit = 100;
// A task the notepad posts from its saving thread, run on the window's.
constexpr UINT WM_RUN_TASK = WM_APP + 1;
// Long enough for any path Windows hands out, so that the program's path is
// never cut into the name of another file.
constexpr DWORD kPathLimit = 32768;
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_VISIBLE;
// WM_COPYDATA of a later start carries its hand-over line (UTF-8) under this tag.
constexpr ULONG_PTR kHandOverData = 0x54415652;  // "TAVR"
// How long a later start waits for the running one to take a line.
constexpr UINT kHandOverWaitMs = 5000;
// The main window's extra bytes hold the mark of its user and data file.
constexpr int kInstanceMarkOffset = 0;
static_assert(sizeof(LONG_PTR) >= sizeof(std::uint64_t), "a window's extra bytes hold the 64-bit mark");
// A start that holds the start mutex makes its window within moments; one
// that doesn't by then has hung.
constexpr DWORD kStartWaitMs = 10000;

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

// While a start looks for a running window and, finding none, makes its own,
// it holds a mutex named after its user and data file, so that of two starts
// at the same moment the later one finds the window of the first.
class StartMutex {
public:
    ~StartMutex() { Release(); }
    // Empty when this start holds it; else why not.
    std::string Take(std::uint64_t mark) {
        char name[40];
        const int length =
            std::snprintf(name, sizeof name, "Local\\Tavrin-%016llx", static_cast<unsigned long long>(mark));
        mutex_ = CreateMutexW(nullptr, FALSE, std::wstring(name, name + length).c_str());
        if (mutex_ == nullptr) {
            return "Tavrin could not make its start lock: " + platform::SystemErrorText(GetLastError()) + ".";
        }
        const DWORD waited = WaitForSingleObject(mutex_, kStartWaitMs);
        // Abandoned: the start that held it died, and this one holds it now.
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        return owned_ ? std::string() : "Another start of Tavrin on the same memos does not finish. Try again in a moment.";
    }
    void Release() {
        if (owned_) ReleaseMutex(mutex_);
        owned_ = false;
        if (mutex_ != nullptr) CloseHandle(mutex_);
        mutex_ = nullptr;
    }

private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

struct Program {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    std::string programPath;
    std::string dataPath;  // empty when the program's path can't be had
    // Empty when the user's local application data can't be had: no backups,
    // no rescue copies.
    std::string backupFolder;
    std::string rescueFolder;
    bool twelveHour = false;
    handheld::StartRequest request;
    std::uint64_t instanceMark = 0;  // the user and the data file
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
    // The task travels in a posted message, which the window procedure runs.
    void PostToUiThread(std::function<void()> task) override {
        auto* posted = new std::function<void()>(std::move(task));
        if (!PostMessageW(program.mainWindow, WM_RUN_TASK, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
    }
    bool AskRetry(const std::string& text, const std::string& caption) override {
        return Ask(text + "\n\nCancel quits Tavrin.", caption, MB_RETRYCANCEL | MB_ICONERROR) == IDRETRY;
    }
    handheld::EndChoice AskHowToEnd(const std::string& text, const std::string& caption) override {
        switch (Ask(text + "\n\nYes saves the memos to another file, No ends Tavrin without saving them, "
                           "Cancel keeps Tavrin open.",
                    caption, MB_YESNOCANCEL | MB_ICONWARNING)) {
            case IDYES: return handheld::EndChoice::SaveElsewhere;
            case IDNO: return handheld::EndChoice::QuitWithoutSaving;
            default: return handheld::EndChoice::StayOpen;
        }
    }
    std::optional<std::string> ChooseFileToSave(const std::string& suggested) override {
        std::wstring name(kPathLimit, L'\0');
        const std::wstring start = platform::ToSystemTextForDisplay(suggested);
        std::copy_n(start.begin(), std::min<std::size_t>(start.size(), kPathLimit - 1), name.begin());
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = program.mainWindow;
        dialog.lpstrFile = name.data();
        dialog.nMaxFile = kPathLimit;
        dialog.lpstrTitle = L"Save the memos";
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
        if (!GetSaveFileNameW(&dialog)) return std::nullopt;
        return platform::FromSystemText(name.c_str());
    }

private:
    static int Ask(const std::string& text, const std::string& caption, UINT kind) {
        return MessageBoxW(program.mainWindow, platform::ToSystemTextForDisplay(text).c_str(),
                           platform::ToSystemTextForDisplay(caption).c_str(), kind);
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
    // Marked first, so that a later start finds this window even while the
    // memos load or a message of the load is shown.
    SetWindowLongPtrW(window, kInstanceMarkOffset, static_cast<LONG_PTR>(program.instanceMark));
    program.mainWindow = window;
    page.SetHandle(window);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    if (menuBar.Create(program.instance, window, program.twelveHour)) MakeRoomForMenuBar(window);
    using Kind = handheld::StartRequest::Kind;
    const handheld::StartRequest& request = program.request;
    try {
        notepad = std::make_unique<Notepad>(handheld::NotepadSetup{
            .window = page,
            .shell = shell,
            .notifications = AlarmService(),
            .programPath = program.programPath,
            .dataPath = program.dataPath,
            .alarmStart = request.kind == Kind::AlarmStart,
            .openMemo = request.kind == Kind::OpenMemo ? request.key : std::string(),
            .backupFolder = program.backupFolder,
            .rescueFolder = program.rescueFolder});
    } catch (const std::bad_alloc&) {
        page.ShowMessage(std::string(tavrin::kNotEnoughMemory), tavrin::kErrorCaption, platform::MessageIcon::Error);
        return false;
    }
    // The user chose to quit rather than run without the memo file's memos.
    if (notepad->QuitAtStart()) {
        notepad.reset();
        return false;
    }
    PostMessageW(window, WM_REFRESH_TITLE, 0, 0);
    return true;
}

// The end of the program writes the memo data file, even unchanged. When
// neither it nor a file beside it can be written, the window stays open, so
// that the memos are not lost; the user is told so.
LRESULT CloseMainWindow(HWND window) {
    if (notepad != nullptr && !notepad->SaveAtExit(handheld::Ending::Asked)) return 0;
    DestroyWindow(window);
    return 0;
}

// Saves only when the close did not: the notepad runs its exit save once.
void DestroyMainWindow() {
    if (notepad != nullptr) {
        notepad->SaveAtExit(handheld::Ending::Unattended);
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

// A later start's hand-over line, sent with WM_COPYDATA: what it asks for
// is done; anything else is refused.
LRESULT TakeHandOverLine(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverData || data.lpData == nullptr) return FALSE;
    const auto request = handheld::ParseHandOverLine(
        std::string_view(static_cast<const char*>(data.lpData), data.cbData));
    if (!request) return FALSE;
    switch (request->kind) {
        case handheld::StartRequest::Kind::OpenMemo: notepad->OpenMemo(request->key); break;
        case handheld::StartRequest::Kind::SnoozeMemo: notepad->SnoozeMemo(request->key); break;
        case handheld::StartRequest::Kind::AlarmStart: notepad->AlarmStart(); break;
        case handheld::StartRequest::Kind::NewMemo: notepad->RunCommand(IDM_NEW_PAGE); break;
        case handheld::StartRequest::Kind::Plain: break;
    }
    return TRUE;
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
        case WM_RUN_TASK: {
            const std::unique_ptr<std::function<void()>> task(reinterpret_cast<std::function<void()>*>(lParam));
            (*task)();
            return 0;
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) notepad->FocusLost();
            break;
        // The session ends: nobody is there to answer a question.
        case WM_ENDSESSION:
            if (wParam) notepad->SaveAtExit(handheld::Ending::Unattended);
            return 0;
        case WM_TIMER:
            KillTimer(window, wParam);
            notepad->TimerFired(static_cast<handheld::NotepadTimer>(wParam - 1));
            return 0;
        case WM_ALARM_START: notepad->AlarmStart(); return 0;
        case WM_COPYDATA: return TakeHandOverLine(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A notification's action hands its line over; the running window takes
// it before this start ends.
void SendHandOverLine(HWND running) {
    const std::string line = handheld::HandOverLine(program.request);
    COPYDATASTRUCT data{kHandOverData, static_cast<DWORD>(line.size()), const_cast<char*>(line.data())};
    DWORD_PTR taken = 0;
    SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                        kHandOverWaitMs, &taken);
}

// A second start brings the running window (or the dialog it shows) to the
// front and hands over the alarm start, a notification's "Open", "New memo",
// or a new page when that window was in front already. A snooze leaves the
// window where it is.
void HandOverTo(HWND running) {
    using Kind = handheld::StartRequest::Kind;
    if (program.request.kind == Kind::SnoozeMemo) {
        SendHandOverLine(running);
        return;
    }
    const bool wasInFront = GetForegroundWindow() == running;
    SetForegroundWindow(GetLastActivePopup(running));
    if (program.request.kind == Kind::OpenMemo || program.request.kind == Kind::NewMemo) {
        SendHandOverLine(running);
        return;
    }
    switch (handheld::HandOverFor(program.request.kind == Kind::AlarmStart, wasInFront)) {
        case handheld::HandOver::AlarmStart: PostMessageW(running, WM_ALARM_START, 0, 0); break;
        case handheld::HandOver::NewPage:
            PostMessageW(running, WM_COMMAND, MAKEWPARAM(IDM_NEW_PAGE, 0), 0);
            break;
        case handheld::HandOver::Nothing: break;
    }
}

// The running Tavrin of this user and data file: a window of the class with
// the same mark.
HWND RunningWindow(const wchar_t* className, std::uint64_t mark) {
    for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, className, nullptr)) {
        if (static_cast<std::uint64_t>(GetWindowLongPtrW(window, kInstanceMarkOffset)) == mark) return window;
    }
    return nullptr;
}

// The data file as Windows tells files apart: by its long name, whatever the
// case of its letters.
std::wstring ComparablePath(const std::string& path) {
    std::wstring spelt = platform::ToSystemText(path).value_or(std::wstring());
    std::wstring longPath(kPathLimit, L'\0');
    const DWORD length = GetLongPathNameW(spelt.c_str(), longPath.data(), kPathLimit);
    // A file not made yet has no long name of its own: it is taken as spelt.
    if (length > 0 && length < kPathLimit) spelt.assign(longPath.data(), length);
    const int size = static_cast<int>(spelt.size());
    std::wstring upper(spelt.size(), L'\0');
    if (size > 0 && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, spelt.data(), size, upper.data(), size,
                                  nullptr, nullptr, 0) == size) {
        return upper;
    }
    return spelt;
}

// The user's security identifier as text; empty when it can't be read (the
// mutex's namespace is the user's session all the same).
std::wstring UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    std::wstring sid;
    wchar_t* text = nullptr;
    if (size > 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

// One value for the user and the data file: it names the start mutex and
// marks the window. Another user's Tavrin on the same desktop, or a copy of
// Tavrin beside another data file, is another instance.
std::uint64_t InstanceMark(const std::string& dataPath) {
    return tavrin::TextDigest(platform::FromSystemText(UserSid() + L'\n' + ComparablePath(dataPath)));
}

// The installer leaves this file beside the Tavrin.exe it installs.
constexpr wchar_t kInstalledMarker[] = L"Tavrin.installed";

// The user's own folder for Tavrin, %LOCALAPPDATA%\Tavrin, made when
// missing; none when it can't be had.
std::optional<std::wstring> LocalDataFolder() {
    PWSTR localData = nullptr;
    const bool found = SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localData));
    const std::wstring dataFolder = found ? std::wstring(localData) + L"\\Tavrin" : std::wstring();
    CoTaskMemFree(localData);
    if (!found || (!CreateDirectoryW(dataFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)) {
        return std::nullopt;
    }
    return dataFolder;
}

// An installed Tavrin.exe keeps its memos in the user's local application
// data, %LOCALAPPDATA%\Tavrin\Tavrin.dat: a programs folder is no place for
// documents. None when the program was not installed (a copy anywhere else
// keeps them beside itself) or that folder can't be had.
std::optional<std::string> InstalledDataFile(std::wstring_view programPath,
                                             const std::optional<std::wstring>& dataFolder) {
    const std::wstring folder(programPath.substr(0, programPath.find_last_of(L"\\/") + 1));
    if (!dataFolder || GetFileAttributesW((folder + kInstalledMarker).c_str()) == INVALID_FILE_ATTRIBUTES) {
        return std::nullopt;
    }
    return platform::FromSystemText(*dataFolder + L"\\Tavrin.dat");
}

// The memo data file lies beside the program, or in the user's local
// application data for an installed one, where the daily backups and the
// rescue copies of an end that could save nowhere else go too; the menus
// follow the locale's clock.
void SetUpPaths() {
    std::wstring path(kPathLimit, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kPathLimit);
    if (length == 0 || length >= kPathLimit) return;
    program.programPath = platform::FromSystemText({path.data(), length});
    const std::optional<std::wstring> dataFolder = LocalDataFolder();
    program.dataPath = InstalledDataFile({path.data(), length}, dataFolder)
                           .value_or(handheld::DataFileBeside(program.programPath));
    if (dataFolder) {
        program.backupFolder = platform::FromSystemText(*dataFolder + L"\\backups");
        program.rescueFolder = platform::FromSystemText(*dataFolder + L"\\rescue");
    }
    wchar_t timeFormat[2]{};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ITIME, timeFormat, 2) > 0) {
        program.twelveHour = timeFormat[0] == L'0';
    }
}

void RegisterWindowClass(const wchar_t* className) {
    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
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

// No Tavrin runs: the snooze is applied to the memo data file, and what went
// wrong is told in message boxes of their own.
void SnoozeWithoutWindow() {
    handheld::NoWindow noWindow([](const std::string& message) {
        MessageBoxW(nullptr, platform::ToSystemTextForDisplay(message).c_str(), L"Tavrin",
                    MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
    });
    handheld::Notepad::SnoozeWithoutWindow({.window = noWindow,
                                            .shell = noWindow,
                                            .notifications = AlarmService(),
                                            .programPath = program.programPath,
                                            .dataPath = program.dataPath,
                                            .backupFolder = program.backupFolder,
                                            .rescueFolder = program.rescueFolder},
                                           program.request.key);
}

// False when this instance is to end: another one runs on the data file, it
// only snoozed, or
// the window can't be made.
bool StartInstance(HINSTANCE instance, const wchar_t* commandLine, int showState) {
    program.instance = instance;
    wchar_t className[kTextLimit]{};
    LoadStringW(instance, IDS_WINDOW_CLASS, className, kTextLimit);
    program.request = handheld::ReadStartRequest(platform::FromSystemText(commandLine));
    SetUpPaths();
    program.instanceMark = InstanceMark(program.dataPath);
    // Held until this start has made its window, or ends without one.
    StartMutex startMutex;
    const std::string notTaken = startMutex.Take(program.instanceMark);
    // A start that held the mutex too long may have made its window all the
    // same (it waits on a message of the load): hand over to it then.
    if (HWND running = RunningWindow(className, program.instanceMark)) {
        HandOverTo(running);
        return false;
    }
    if (!notTaken.empty()) {
        MessageBoxW(nullptr, platform::ToSystemTextForDisplay(notTaken).c_str(),
                    platform::ToSystemTextForDisplay(tavrin::kErrorCaption).c_str(), MB_OK | MB_ICONERROR);
        return false;
    }
    if (program.request.kind == handheld::StartRequest::Kind::SnoozeMemo) {
        SnoozeWithoutWindow();
        return false;
    }
    RegisterWindowClass(className);
    wchar_t title[kTextLimit]{};
    LoadStringW(instance, IDS_APP_TITLE, title, kTextLimit);
    const SIZE size = WindowSizeForPage();
    HWND window = CreateWindowW(className, title, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showState);
    UpdateWindow(window);
    if (program.request.kind == handheld::StartRequest::Kind::NewMemo) {
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_NEW_PAGE, 0), 0);
    }
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
