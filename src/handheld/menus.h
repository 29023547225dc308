// The notepad's menu bar and menus as one table, from which each shell builds
// its own: the buttons left to right with their images and texts, and the
// menus they open, item by item. No item is ever checked or greyed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "handheld/notepad_commands.h"
#include "platform/types.h"

namespace tavrin::handheld {

struct MenuItem {
    enum class Kind { Command, Separator, Submenu };
    Kind kind = Kind::Command;
    int command = 0;  // for Kind::Command
    std::string label;
    std::vector<MenuItem> items;  // for Kind::Submenu
};

// One button of the menu bar. Drop-down buttons open their menu; their own
// command is not handled.
struct BarButton {
    int command;
    int image;         // the button image's index, 0 … 9; -1 for the text button
    std::string text;  // the caption of the text button, else the attached text (may be empty)
    std::vector<MenuItem> menu;  // empty for a plain button
};

// The menu bar, left to right, with the hour labels of the user's clock.
std::vector<BarButton> MenuBar(bool twelveHour);

// The keys that run commands, with Ctrl (and Shift where it says so), in
// the order of the Win32 accelerator table.
struct ShortcutKey {
    char key;  // the letter, upper case
    bool shift;
    int command;
};
inline constexpr std::array<ShortcutKey, 5> kShortcutKeys{{
    {'A', false, IDM_ABOUT},
    {'Q', false, IDM_EXIT_KEY},
    {'Z', false, IDM_UNDO},
    {'Z', true, IDM_REDO},
    {'Y', false, IDM_REDO},
}};

inline constexpr int kButtonImageSize = 16;
inline constexpr int kButtonImageCount = 10;

struct PenChoice {
    int command;
    const char* label;
    std::int16_t width;  // 0 is the eraser
};
inline constexpr std::array<PenChoice, 6> kPenChoices{{
    {IDM_PEN_WIDTH_1, "1", 1},
    {IDM_PEN_WIDTH_2, "2", 2},
    {IDM_PEN_WIDTH_3, "3", 3},
    {IDM_PEN_WIDTH_4, "4", 4},
    {IDM_PEN_WIDTH_5, "5", 5},
    {IDM_ERASER, "Eraser", 0},
}};

struct ColorChoice {
    int command;
    const char* label;
    Color color;  // 0x00BBGGRR
};
// In the order of the colour menu.
inline constexpr std::array<ColorChoice, 9> kColorChoices{{
    {IDM_RED, "Red", 0x0000FF},
    {IDM_GREEN, "Green", 0x00FF00},
    {IDM_BLUE, "Blue", 0xFF0000},
    {IDM_CYAN, "Cyan", 0xFFFF00},
    {IDM_MAGENTA, "Magenta", 0xFF00FF},
    {IDM_YELLOW, "Yellow", 0x00FFFF},
    {IDM_WHITE, "White", 0xFFFFFF},
    {IDM_GREY, "Grey", 0x808080},
    {IDM_BLACK, "Black", 0x000000},
}};

}  // namespace tavrin::handheld
