// Resource identifiers of TavrinView for Windows.
#pragma once

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_TAVRINVIEW 107
#define IDI_SMALL 108
#define IDC_TAVRINVIEW 109
#define IDM_PREVIOUS 32771
#define IDM_NEXT 32772
#define IDC_ABOUT_ICON 2
#define IDC_STATIC -1
