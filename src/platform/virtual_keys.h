// The keys the programs answer, by their virtual-key codes: the Win32 shells
// get these codes from the system, the Qt shells translate Qt's keys to them.
#pragma once

namespace tavrin::platform {

enum VirtualKey : int {
    kKeyEscape = 27,
    kKeyPageUp = 33,
    kKeyPageDown = 34,
    kKeyEnd = 35,
    kKeyHome = 36,
    kKeyLeft = 37,
    kKeyUp = 38,
    kKeyRight = 39,
    kKeyDown = 40,
};

}  // namespace tavrin::platform
