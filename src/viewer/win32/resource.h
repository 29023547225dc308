// Resource identifiers of TavrinView for Windows; the commands are the
// viewer's own (viewer/viewer_commands.h).
#pragma once

#include "viewer/viewer_commands.h"

#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDI_TAVRINVIEW 107
#define IDI_SMALL 108
#define IDC_TAVRINVIEW 109
#define IDC_ABOUT_ICON 2
#define IDC_STATIC -1
