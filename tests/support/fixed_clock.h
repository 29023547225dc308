// A clock that stands still at whatever time the test sets, in a zone whose
// clocks skip at most one gap that the test sets.
#pragma once

#include <optional>

#include "platform/clock.h"

namespace tavrin::testing {

class FixedClock : public platform::Clock {
public:
    // The clocks go from `from` straight to `to`: the times between never come.
    struct Gap {
        SYSTEMTIME from;
        SYSTEMTIME to;
    };

    FixedClock() = default;
    explicit FixedClock(SYSTEMTIME time) : now(time) {}
    SYSTEMTIME Now() const override { return now; }
    SYSTEMTIME ExistingTime(const SYSTEMTIME& wall) const override {
        if (!gap) return wall;
        const auto seconds = platform::WallSeconds(wall);
        const bool skipped = seconds >= platform::WallSeconds(gap->from) &&
                             seconds < platform::WallSeconds(gap->to);
        return skipped ? gap->to : wall;
    }

    SYSTEMTIME now;
    std::optional<Gap> gap;
};

}  // namespace tavrin::testing
