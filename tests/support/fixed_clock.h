// A clock that stands still at whatever time the test sets.
#pragma once

#include "platform/clock.h"

namespace tavrin::testing {

class FixedClock : public platform::Clock {
public:
    FixedClock() = default;
    explicit FixedClock(SYSTEMTIME time) : now(time) {}
    SYSTEMTIME Now() const override { return now; }

    SYSTEMTIME now;
};

}  // namespace tavrin::testing
