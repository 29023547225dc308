// The local clock.
#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {

SYSTEMTIME GetLocalTime() {
    ::SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FromPlatformTime(now);
}

}  // namespace tavrin::platform
