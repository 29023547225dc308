// The notepad's menu bar on Windows: a common-controls toolbar at the bottom
// of the main window, with the buttons of the shared menu bar table, their
// images from bitmap 107 and their attached texts as tool tips. The drop-down
// buttons open the popups of menu resource 102 (111 with 12-hour labels), one
// per drop-down button from the left; every command goes to the main window.
#pragma once

#include "platform/win32/win32_api.h"

#include <commctrl.h>

#include <vector>

namespace tavrin::handheld {

class MenuBarWindow {
public:
    MenuBarWindow() = default;
    ~MenuBarWindow();
    MenuBarWindow(const MenuBarWindow&) = delete;
    MenuBarWindow& operator=(const MenuBarWindow&) = delete;

    // False when the bar can't be made; the window then runs without it.
    bool Create(HINSTANCE instance, HWND owner, bool twelveHour);
    void Destroy();

    bool Exists() const { return bar_ != nullptr; }
    // The bar's height in pixels, 0 without a bar.
    int Height() const;
    // The width its buttons need, 0 without a bar.
    int NeededWidth() const;
    // Keeps the bar along the bottom after the owner changed its size.
    void FollowOwner();
    // Opens the menu of a drop-down button below which the stylus went down.
    void OpenMenu(const NMTOOLBARW& button);

private:
    HWND bar_ = nullptr;
    HWND owner_ = nullptr;
    HMENU menus_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::vector<int> dropDowns_;  // the drop-down buttons' commands, left to right
};

}  // namespace tavrin::handheld
