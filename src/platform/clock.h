// The local clock.
#pragma once

#include "platform/types.h"

namespace tavrin::platform {

// The current local date and time, day of week and milliseconds included.
SYSTEMTIME GetLocalTime();

// A source of "now" that tests can set.
class Clock {
public:
    virtual ~Clock() = default;
    virtual SYSTEMTIME Now() const = 0;
};

}  // namespace tavrin::platform
