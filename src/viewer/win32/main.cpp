// TavrinView for Windows: shows the memos of the memo data file named on the
// command line, one at a time, read-only.
#include "platform/win32/win32_api.h"

#include <string>

#include "platform/win32/win32_drawing.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_text.h"
#include "resource.h"
#include "viewer/viewer.h"

namespace {

constexpr int kWindowWidth = 248;
constexpr int kWindowHeight = 383;
constexpr std::size_t kPathLimit = 260;

HINSTANCE instance;
HWND mainWindow;
char caption[100];
char className[100];
std::string commandLinePath;
tavrin::platform::Win32HostWindow host;
// Made while the window is created and kept until the process ends.
tavrin::viewer::Viewer* viewer;

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            break;
        default: break;
    }
    return FALSE;
}

class Win32Shell final : public tavrin::viewer::ViewerShell {
public:
    void RepaintNow() override {
        InvalidateRect(mainWindow, nullptr, FALSE);
        UpdateWindow(mainWindow);
    }
    void ShowAbout() override {
        DialogBoxA(instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), mainWindow, AboutProcedure);
    }
    void Close() override { DestroyWindow(mainWindow); }
    void Quit() override { PostQuitMessage(0); }
};

Win32Shell shell;

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    {
        tavrin::platform::Win32PaintContext context(dc);
        const RECT& update = paint.rcPaint;
        viewer->Paint(context, {update.left, update.top, update.right, update.bottom},
                      GetSysColor(COLOR_WINDOW));
    }
    EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            // Any message of the load is shown before the window is.
            host.SetHandle(window);
            viewer = new tavrin::viewer::Viewer(host, shell, commandLinePath);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_PAINT: Paint(window); return 0;
        case WM_KEYDOWN:
            if (viewer->PressKey(static_cast<int>(wParam))) return 0;
            break;
        case WM_COMMAND:
            if (viewer->RunCommand(LOWORD(wParam))) return 0;
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterWindowClass() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVRINVIEW));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDC_TAVRINVIEW);
    windowClass.lpszClassName = className;
    windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SMALL));
    RegisterClassExA(&windowClass);
}

}  // namespace

int WINAPI WinMain(HINSTANCE thisInstance, HINSTANCE, LPSTR commandLine, int showState) {
    LoadStringA(thisInstance, IDS_APP_TITLE, caption, sizeof caption);
    LoadStringA(thisInstance, IDC_TAVRINVIEW, className, sizeof className);
    instance = thisInstance;
    RegisterWindowClass();
    // The path is the command line as it stands, quotation marks included,
    // held in the program's 260-character buffer; the shared code takes it in UTF-8.
    commandLinePath =
        tavrin::platform::FromSystemText(std::string_view(commandLine).substr(0, kPathLimit - 1));
    mainWindow = CreateWindowExA(0, className, caption, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr,
                                 nullptr, instance, nullptr);
    if (mainWindow == nullptr) return 0;
    ShowWindow(mainWindow, showState);
    UpdateWindow(mainWindow);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_TAVRINVIEW));
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
