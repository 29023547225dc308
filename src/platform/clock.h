// The local clock. Whatever reads "now" is handed a Clock, so that tests can
// pin the time instead of racing the real one.
#pragma once

#include "platform/types.h"

namespace tavrin::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // The current local date and time, day of week and milliseconds included.
    virtual SYSTEMTIME Now() const = 0;
};

// The machine's local clock.
const Clock& SystemClock();

}  // namespace tavrin::platform
