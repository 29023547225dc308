// Tavrin.exe's resources, linked into this test program from the same
// resource script: the menus of the drop-down buttons against the shared
// menu bar table, the texts, the accelerators, the button images and the
// set-time dialog's template.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handheld/menus.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_text.h"
#include "resource.h"

using namespace tavrin::handheld;

namespace {

std::string ResourceText(UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? tavrin::platform::FromSystemText({text, static_cast<std::size_t>(length)})
                      : std::string();
}

std::string ItemLabel(HMENU menu, int position) {
    wchar_t label[64]{};
    GetMenuStringW(menu, static_cast<UINT>(position), label, 64, MF_BYPOSITION);
    return tavrin::platform::FromSystemText(label);
}

// The menu, item by item, as the shared table says it.
void ExpectMenu(HMENU menu, const std::vector<MenuItem>& expected, const std::string& where) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size())) << where;
    for (int i = 0; i < static_cast<int>(expected.size()); ++i) {
        const MenuItem& item = expected[static_cast<std::size_t>(i)];
        const std::string at = where + " item " + std::to_string(i);
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) << at;
        // Separators are greyed by nature; no other item is checked or greyed.
        if (item.kind != MenuItem::Kind::Separator) {
            EXPECT_EQ(info.fState & (MFS_CHECKED | MFS_GRAYED), 0u) << at;
        }
        switch (item.kind) {
            case MenuItem::Kind::Separator: EXPECT_TRUE(info.fType & MFT_SEPARATOR) << at; break;
            case MenuItem::Kind::Command:
                EXPECT_EQ(info.wID, static_cast<UINT>(item.command)) << at;
                EXPECT_EQ(ItemLabel(menu, i), item.label) << at;
                break;
            case MenuItem::Kind::Submenu:
                ASSERT_NE(info.hSubMenu, nullptr) << at;
                EXPECT_EQ(ItemLabel(menu, i), item.label) << at;
                ExpectMenu(info.hSubMenu, item.items, at);
                break;
        }
    }
}

TEST(TavrinResources, MenusOfTheDropDownButtonsAreTheSharedTable) {
    for (const bool twelveHour : {false, true}) {
        const int id = twelveHour ? IDR_MENU_BAR_12_HOUR : IDR_MENU_BAR;
        HMENU menus = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
        ASSERT_NE(menus, nullptr) << id;
        int popup = 0;
        for (const BarButton& button : MenuBar(twelveHour)) {
            if (button.menu.empty()) continue;
            ExpectMenu(GetSubMenu(menus, popup), button.menu,
                       "menu " + std::to_string(id) + " button " + std::to_string(button.command));
            ++popup;
        }
        EXPECT_EQ(GetMenuItemCount(menus), popup) << id;
        DestroyMenu(menus);
    }
}

TEST(TavrinResources, TextsAreTheProgramsAndTheButtonsOwn) {
    EXPECT_EQ(ResourceText(IDS_APP_TITLE), "Tavrin");
    EXPECT_EQ(ResourceText(IDS_WINDOW_CLASS), "TAVRIN");
    for (const BarButton& button : MenuBar(false)) {
        const UINT id = static_cast<UINT>(button.image < 0 ? IDS_TOOLS : button.command);
        EXPECT_EQ(ResourceText(id), button.text) << button.command;
    }
}

TEST(TavrinResources, AcceleratorsAreTheSharedShortcutKeys) {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL entries[kShortcutKeys.size() + 1]{};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, static_cast<int>(std::size(entries))),
              static_cast<int>(kShortcutKeys.size()));
    for (std::size_t i = 0; i < kShortcutKeys.size(); ++i) {
        const ShortcutKey& shortcut = kShortcutKeys[i];
        const BYTE modifiers = static_cast<BYTE>(FVIRTKEY | FCONTROL | (shortcut.shift ? FSHIFT : 0));
        EXPECT_EQ(entries[i].fVirt & ~FNOINVERT, modifiers) << i;
        EXPECT_EQ(entries[i].key, shortcut.key) << i;
        EXPECT_EQ(entries[i].cmd, shortcut.command) << i;
    }
}

TEST(TavrinResources, ButtonImagesAreTenFourBitSquares) {
    HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BUTTONS), IMAGE_BITMAP,
                              0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(image, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(image, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biWidth, kButtonImageCount * kButtonImageSize);
    EXPECT_EQ(section.dsBmih.biHeight, kButtonImageSize);
    EXPECT_EQ(section.dsBmih.biBitCount, 4);
    DeleteObject(image);
}

TEST(TavrinResources, SetTimeDialogIsItsTemplate) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_SET_TIME), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const auto* dialog = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->cx, 138);
    EXPECT_EQ(dialog->cy, 153);
    EXPECT_EQ(dialog->cdit, 8);
    EXPECT_TRUE(dialog->style & DS_SETFONT);
}

}  // namespace
