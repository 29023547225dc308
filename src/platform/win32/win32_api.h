// The Windows headers as the Win32 backend and shells take them: without the
// rarely used parts, without the min and max macros, and without the DrawText
// macro, which would otherwise rename the drawing contexts' DrawText in every
// file that sees <windows.h> before platform/drawing.h. Include <windows.h>
// only through this header. The generic names of the text functions take the
// form the build chose (win32_text.h).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

namespace tavrin::platform {

// DrawText in the build's form, under a name that outlives the macro.
inline int DrawSystemText(HDC dc, const TCHAR* text, int length, RECT* rect, UINT format) {
    return DrawText(dc, text, length, rect, format);
}

}  // namespace tavrin::platform

#undef DrawText

#include <bit>

#include "platform/types.h"

namespace tavrin::platform {

// The shared calendar record and the platform's are the same eight 16-bit
// fields in the same order.
static_assert(sizeof(::SYSTEMTIME) == sizeof(tavrin::SYSTEMTIME));
inline ::SYSTEMTIME ToPlatformTime(const tavrin::SYSTEMTIME& time) {
    return std::bit_cast<::SYSTEMTIME>(time);
}
inline tavrin::SYSTEMTIME FromPlatformTime(const ::SYSTEMTIME& time) {
    return std::bit_cast<tavrin::SYSTEMTIME>(time);
}

}  // namespace tavrin::platform
