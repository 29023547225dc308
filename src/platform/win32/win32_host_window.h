// The program's main window for the shared code, over a Win32 window handle:
// its client rectangle, its title (SetWindowText) and its message boxes
// (MessageBox), with texts turned from UTF-8 into the build's form.
#pragma once

#include "platform/host_window.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {

class Win32HostWindow final : public HostWindow {
public:
    // The window may be set later (the shell learns its handle in WM_CREATE);
    // until then there is no client area, no title and message boxes have no owner.
    explicit Win32HostWindow(HWND window = nullptr) : window_(window) {}

    void SetHandle(HWND window) { window_ = window; }

    Rect ClientRect() const override;
    void SetTitle(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override;

private:
    HWND window_;
};

}  // namespace tavrin::platform
