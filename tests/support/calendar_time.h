// Calendar times for tests, written as they are read.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace tavrin::testing {

inline SYSTEMTIME Time(int year, int month, int day, int hour = 0, int minute = 0,
                       int second = 0, int milliseconds = 0, int dayOfWeek = 3) {
    auto field = [](int value) { return static_cast<std::uint16_t>(value); };
    return {field(year),   field(month),  field(dayOfWeek), field(day),
            field(hour),   field(minute), field(second),    field(milliseconds)};
}

}  // namespace tavrin::testing
