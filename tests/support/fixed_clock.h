// A Clock that reads whatever time the test sets.
#pragma once

#include "platform/clock.h"

namespace tavrin::testing {

class FixedClock : public platform::Clock {
public:
    explicit FixedClock(SYSTEMTIME time) : now(time) {}
    SYSTEMTIME Now() const override { return now; }

    SYSTEMTIME now;
};

}  // namespace tavrin::testing
