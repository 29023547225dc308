// TavrinView's commands, sent by its menu bar and accelerators in both
// shells. The Win32 resource script includes this file as well, so the
// numbers stay plain macros.
#pragma once

#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_PREVIOUS 32771
#define IDM_NEXT 32772
// The overview of every memo; on Linux only.
#define IDM_OVERVIEW 32780
