#include "handheld/menus.h"

#include "alarm_schedule/alarm_scheduler.h"

namespace tavrin::handheld {
namespace {

MenuItem Command(int command, std::string label) {
    return {MenuItem::Kind::Command, command, std::move(label), {}};
}

MenuItem Separator() { return {MenuItem::Kind::Separator, 0, {}, {}}; }

MenuItem FullHours(const char* label, std::uint16_t firstId, bool twelveHour) {
    MenuItem submenu{MenuItem::Kind::Submenu, 0, label, {}};
    for (std::uint16_t hour = kFirstFullHour; hour <= kLastFullHour; ++hour) {
        submenu.items.push_back(Command(firstId + hour - kFirstFullHour, FullHourLabel(hour, twelveHour)));
    }
    return submenu;
}

std::vector<MenuItem> ToolsMenu() {
    return {Command(IDM_INSERT_NEW, "Insert new"), Command(IDM_UNDO, "Undo"), Command(IDM_REDO, "Redo"),
            Separator(),                           Command(IDM_ABOUT, "About"), Command(IDM_EXIT, "Exit")};
}

std::vector<MenuItem> AlarmMenu(bool twelveHour) {
    std::vector<MenuItem> menu;
    for (const QuickChoice& choice : kQuickChoices) menu.push_back(Command(choice.id, choice.label));
    menu.push_back(FullHours("Today...", kTodayFirstId, twelveHour));
    menu.push_back(FullHours("Tomorrow...", kTomorrowFirstId, twelveHour));
    menu.push_back(Separator());
    menu.push_back(Command(IDM_SET_TIME, "Set time..."));
    return menu;
}

template <typename Choices>
std::vector<MenuItem> ChoiceMenu(const Choices& choices) {
    std::vector<MenuItem> menu;
    for (const auto& choice : choices) menu.push_back(Command(choice.command, choice.label));
    return menu;
}

}  // namespace

std::vector<BarButton> MenuBar(bool twelveHour) {
    return {
        {IDM_TOOLS_MENU, -1, "Tools", ToolsMenu()},
        {IDM_NEW_PAGE, 0, "Create new page", {}},
        {IDM_SAVE, 9, "Save", {}},
        {IDM_DELETE_PAGE, 1, "Delete current page", {}},
        {IDM_PREVIOUS_PAGE, 2, "Previous page", {}},
        {IDM_NEXT_PAGE, 3, "Next page", {}},
        {IDM_ALARM_MENU, 4, "", AlarmMenu(twelveHour)},
        {IDM_PEN_MENU, 5, "Pen width", ChoiceMenu(kPenChoices)},
        {IDM_COLOR_MENU, 8, "Color", ChoiceMenu(kColorChoices)},
    };
}

}  // namespace tavrin::handheld
