// The text of the systemd user units that carry a notification or a start
// of the program: a .timer that fires once at a local time to the second and
// a .service that runs a command.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace tavrin::platform::linux_desktop {

// The time as an OnCalendar= value, "YYYY-MM-DD HH:MM:SS" in local time;
// nothing for a date or time that does not exist (30 February, 24:00).
// The same text sorts as the times do.
std::optional<std::string> CalendarTime(const SYSTEMTIME& time);
// The time in a text that CalendarTime wrote; nothing for any other text.
std::optional<SYSTEMTIME> ParseCalendarTime(std::string_view text);

// An absolute path as one quoted word of ExecStart=, as the executable
// (`executable`) or as an argument. Nothing for a path systemd can't spell:
// not absolute, not UTF-8, or holding quotes, backslashes or control
// characters, which systemd refuses in the name of a program it runs.
std::optional<std::string> QuotedPathForExec(std::string_view path, bool executable);

// A timer that fires once at `calendarTime`, one second accurate, and still
// fires at the next login when the time passed while the user was away.
std::string TimerUnitText(std::string_view description, std::string_view calendarTime);

// A service that runs `execStart` (already quoted) when its timer fires.
std::string ServiceUnitText(std::string_view description, std::string_view execStart);

}  // namespace tavrin::platform::linux_desktop
