#include "platform/win32/win32_host_window.h"

#include "platform/win32/win32_text.h"

namespace tavrin::platform {

Rect Win32HostWindow::ClientRect() const {
    RECT client{};
    if (window_ == nullptr || !::GetClientRect(window_, &client)) return {};
    return {client.left, client.top, client.right, client.bottom};
}

void Win32HostWindow::SetTitle(const std::string& title) {
    if (window_ != nullptr) ::SetWindowText(window_, ToSystemTextForDisplay(title).c_str());
}

void Win32HostWindow::ShowMessage(const std::string& text, const std::string& caption,
                                  MessageIcon icon) {
    const UINT iconStyle = icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONEXCLAMATION;
    ::MessageBox(window_, ToSystemTextForDisplay(text).c_str(),
                 ToSystemTextForDisplay(caption).c_str(), MB_OK | iconStyle);
}

}  // namespace tavrin::platform
