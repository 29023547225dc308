// Tavrin's commands, sent by its menu bar, menus and accelerators in both
// shells and by a second start. The Win32 resource script includes this file
// as well, so the numbers stay plain macros.
#pragma once

#define IDM_EXIT_KEY 1
#define IDM_TOOLS_MENU 40001
#define IDM_ABOUT 40003
#define IDM_EXIT 40004
#define IDM_NEW_PAGE 40008
#define IDM_DELETE_PAGE 40009
#define IDM_PREVIOUS_PAGE 40014
#define IDM_NEXT_PAGE 40015
#define IDM_ALARM_MENU 40016
#define IDM_SET_TIME 40069
#define IDM_PEN_MENU 40074
#define IDM_PEN_WIDTH_1 40075
#define IDM_PEN_WIDTH_2 40076
#define IDM_PEN_WIDTH_3 40077
#define IDM_PEN_WIDTH_4 40078
#define IDM_PEN_WIDTH_5 40079
#define IDM_ERASER 40081
#define IDM_COLOR_MENU 40087
#define IDM_RED 40088
#define IDM_BLUE 40089
#define IDM_GREEN 40090
#define IDM_CYAN 40091
#define IDM_MAGENTA 40092
#define IDM_BLACK 40093
#define IDM_GREY 40094
#define IDM_YELLOW 40096
#define IDM_WHITE 40100
#define IDM_INSERT_NEW 40101
#define IDM_SAVE 40102
#define IDM_UNDO 40103
#define IDM_REDO 40104
// The overview of every memo; on Linux only, where the shell adds it to the
// Tools menu.
#define IDM_OVERVIEW 40105

// Messages a window of the notepad takes besides its commands: refresh the
// title (posted to itself after creation), and the alarm start handed over
// by a second start.
#define WM_REFRESH_TITLE 1025
#define WM_ALARM_START 1026
