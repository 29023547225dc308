// What the Win32 file backend lets tests change: the ReplaceFile call that
// a save's Replace makes, so that the halfway failures Windows can give
// (ERROR_UNABLE_TO_MOVE_REPLACEMENT and _2) are met on any machine.
#pragma once

#include "platform/win32/win32_api.h"

namespace tavrin::platform {

using ReplaceFileCall = BOOL(WINAPI*)(LPCTSTR replaced, LPCTSTR replacement, LPCTSTR backup,
                                      DWORD flags, LPVOID exclude, LPVOID reserved);

// Replace calls `call` instead of the system's ReplaceFile; null puts the
// system's back.
void SetReplaceFileForTesting(ReplaceFileCall call);

}  // namespace tavrin::platform
