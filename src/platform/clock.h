// The local clock.
#pragma once

#include "platform/types.h"

namespace tavrin::platform {

// The current local date and time, day of week and milliseconds included.
SYSTEMTIME GetLocalTime();

}  // namespace tavrin::platform
