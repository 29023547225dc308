// The Windows headers as the Win32 backend and shells take them: without the
// rarely used parts, without the min and max macros, and without the DrawText
// macro, which would otherwise rename the drawing contexts' DrawText in every
// file that sees <windows.h> before platform/drawing.h. Include <windows.h>
// only through this header.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

#undef DrawText
