// TavrinView for Windows: shows the memos of the memo data file named on the
// command line, one at a time, read-only.
#include "platform/win32/win32_api.h"

#include <memory>
#include <string>

#include "canvas/memo_canvas.h"
#include "platform/win32/win32_drawing.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_text.h"
#include "resource.h"
#include "store/memo_file.h"

namespace {

using tavrin::CanvasSetup;
using tavrin::MemoCanvas;

constexpr int kWindowWidth = 248;
constexpr int kWindowHeight = 383;
constexpr int kStripHeight = 17;
// Window pixel (x, y) shows surface pixel (x - 1, y - 18).
constexpr int kPageLeft = 1;
constexpr int kPageTop = 18;
constexpr std::size_t kPathLimit = 260;

HINSTANCE instance;
HWND mainWindow;
char caption[100];
char className[100];
std::string commandLinePath;
tavrin::platform::Win32HostWindow host;
// Made while the window is created and kept until the process ends.
MemoCanvas* canvas;

void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    // The strip is cleared first, so that a wider text of the memo shown
    // before leaves no trace.
    RECT strip{client.left, client.top, client.right, client.top + kStripHeight};
    FillRect(dc, &strip, GetSysColorBrush(COLOR_WINDOW));
    tavrin::platform::Win32PaintContext context(dc);
    canvas->DrawCreatedText(&context);
    canvas->DrawCounterText(&context);
    context.Rectangle({client.left, client.top + kStripHeight, client.right, client.bottom});
    const RECT& update = paint.rcPaint;
    context.CopyFrom({update.left + kPageLeft, update.top + kPageTop, update.right + kPageLeft,
                      update.bottom + kPageTop},
                     canvas->Context(), update.left, update.top);
    EndPaint(window, &paint);
}

void Move(HWND window, bool forward) {
    const int moved = forward ? canvas->NextPage() : canvas->PreviousPage();
    if (!moved) return;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

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

bool RunCommand(HWND window, int command) {
    switch (command) {
        case IDM_ABOUT: DialogBoxA(instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), window, AboutProcedure); return true;
        case IDM_EXIT: DestroyWindow(window); return true;
        case IDM_PREVIOUS: Move(window, false); return true;
        case IDM_NEXT: Move(window, true); return true;
        default: return false;
    }
}

// The keys 27 to 40 by their meaning; true when the key is used up.
bool HandleKey(HWND window, WPARAM key) {
    switch (key) {
        case VK_ESCAPE: PostQuitMessage(0); return false;
        case VK_PRIOR:
        case VK_LEFT:
        case VK_UP: Move(window, false); return true;
        case VK_NEXT:
        case VK_RIGHT:
        case VK_DOWN: Move(window, true); return true;
        default: return false;
    }
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            // Any message of the load is shown before the window is.
            host.SetHandle(window);
            CanvasSetup setup;
            setup.window = &host;
            setup.programName = "TavrinView";
            setup.corruptedWarning = std::string(tavrin::kViewerCorruptedWarning);
            canvas = new MemoCanvas(setup);
            canvas->LoadFile(commandLinePath);
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_PAINT: Paint(window); return 0;
        case WM_KEYDOWN:
            if (HandleKey(window, wParam)) return 0;
            break;
        case WM_COMMAND:
            if (RunCommand(window, LOWORD(wParam))) return 0;
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
