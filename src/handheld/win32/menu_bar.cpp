#include "menu_bar.h"

#include <algorithm>
#include <string>
#include <vector>

#include "handheld/menus.h"
#include "resource.h"

namespace tavrin::handheld {
namespace {

constexpr COLORREF kImageMask = RGB(255, 0, 255);
constexpr int kButtonPadding = 3;

// A string resource of the program, empty when there is none.
std::wstring ResourceText(HINSTANCE instance, int id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance, static_cast<UINT>(id),
                                   reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

// Each button's text lives in its resource, by the button's command (the
// text button's caption under its own id); the bar keeps a copy.
std::wstring ButtonText(HINSTANCE instance, const BarButton& button) {
    return ResourceText(instance, button.image < 0 ? IDS_TOOLS : button.command);
}

TBBUTTON ToolbarButton(const BarButton& button, const std::wstring& text) {
    TBBUTTON made{};
    made.iBitmap = button.image < 0 ? I_IMAGENONE : button.image;
    made.idCommand = button.command;
    made.fsState = TBSTATE_ENABLED;
    // Each button as wide as what it shows: the text button shows its
    // caption, an image button only its image, its text being its tool tip.
    made.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    if (!button.menu.empty()) made.fsStyle |= BTNS_WHOLEDROPDOWN;
    if (button.image < 0) made.fsStyle |= BTNS_SHOWTEXT;
    made.iString = text.empty() ? -1 : reinterpret_cast<INT_PTR>(text.c_str());
    return made;
}

}  // namespace

MenuBarWindow::~MenuBarWindow() { Destroy(); }

bool MenuBarWindow::Create(HINSTANCE instance, HWND owner, bool twelveHour) {
    owner_ = owner;
    menus_ = LoadMenuW(instance, MAKEINTRESOURCEW(twelveHour ? IDR_MENU_BAR_12_HOUR : IDR_MENU_BAR));
    images_ = ImageList_LoadImageW(instance, MAKEINTRESOURCEW(IDB_BUTTONS), kButtonImageSize, 0,
                                   kImageMask, IMAGE_BITMAP, LR_CREATEDIBSECTION);
    bar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | CCS_BOTTOM | CCS_NODIVIDER | TBSTYLE_FLAT | TBSTYLE_LIST |
                               TBSTYLE_TOOLTIPS,
                           0, 0, 0, 0, owner, nullptr, instance, nullptr);
    if (bar_ == nullptr || menus_ == nullptr || images_ == nullptr) {
        Destroy();
        return false;
    }
    SendMessageW(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar_, TB_SETEXTENDEDSTYLE, 0,
                 TBSTYLE_EX_MIXEDBUTTONS);
    SendMessageW(bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    // Nine buttons share the page's 240 pixels.
    SendMessageW(bar_, TB_SETPADDING, 0, MAKELPARAM(0, kButtonPadding));
    SendMessageW(bar_, TB_SETLISTGAP, 0, 0);

    const std::vector<BarButton> table = MenuBar(twelveHour);
    std::vector<std::wstring> texts;
    texts.reserve(table.size());  // the buttons point into these until they are added
    std::vector<TBBUTTON> buttons;
    for (const BarButton& button : table) {
        if (!button.menu.empty()) dropDowns_.push_back(button.command);
        texts.push_back(ButtonText(instance, button));
        buttons.push_back(ToolbarButton(button, texts.back()));
    }
    SendMessageW(bar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    FollowOwner();
    return true;
}

void MenuBarWindow::Destroy() {
    if (bar_ != nullptr) DestroyWindow(bar_);
    if (menus_ != nullptr) DestroyMenu(menus_);
    if (images_ != nullptr) ImageList_Destroy(images_);
    bar_ = nullptr;
    menus_ = nullptr;
    images_ = nullptr;
    dropDowns_.clear();
}

int MenuBarWindow::Height() const {
    RECT place{};
    if (bar_ == nullptr || !GetWindowRect(bar_, &place)) return 0;
    return place.bottom - place.top;
}

int MenuBarWindow::NeededWidth() const {
    SIZE size{};
    if (bar_ == nullptr || !SendMessageW(bar_, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size))) {
        return 0;
    }
    return size.cx;
}

void MenuBarWindow::FollowOwner() {
    if (bar_ != nullptr) SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
}

// The drop-down buttons' menus are the menu resource's popups, in the order
// of the buttons; the chosen command is posted to the main window.
void MenuBarWindow::OpenMenu(const NMTOOLBARW& button) {
    const auto found = std::find(dropDowns_.begin(), dropDowns_.end(), button.iItem);
    if (found == dropDowns_.end()) return;
    HMENU menu = GetSubMenu(menus_, static_cast<int>(found - dropDowns_.begin()));
    if (menu == nullptr) return;
    RECT place = button.rcButton;
    MapWindowPoints(bar_, nullptr, reinterpret_cast<POINT*>(&place), 2);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_LEFTBUTTON, place.left, place.top,
                   0, owner_, nullptr);
}

}  // namespace tavrin::handheld
