// Resource identifiers of Tavrin for Windows. The commands, which are also
// the ids of the menu bar's texts, are the notepad's own
// (handheld/notepad_commands.h).
#pragma once

#include "handheld/notepad_commands.h"

#define IDS_APP_TITLE 1
#define IDS_WINDOW_CLASS 3
#define IDS_TOOLS 104
#define IDI_TAVRIN 101
#define IDR_MENU_BAR 102
#define IDR_MENU_BAR_12_HOUR 111
#define IDB_BUTTONS 107
#define IDD_ABOUTBOX 103
#define IDD_SET_TIME 105
#define IDC_ACCELERATORS 3
#define IDC_ABOUT_ICON 1001
#define IDC_STATIC -1

// The set-time dialog's fields and day buttons.
#define IDC_DATE_FIELD 1008
#define IDC_TIME_FIELD 1009
#define IDC_TODAY 1010
#define IDC_TOMORROW 1011
#define IDC_AFTER_TOMORROW 1012
#define IDC_CLEAR 3
