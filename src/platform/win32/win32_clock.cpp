// The local clock.
#include "platform/clock.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {
namespace {

class Win32Clock final : public Clock {
public:
    SYSTEMTIME Now() const override {
        ::SYSTEMTIME now{};
        ::GetLocalTime(&now);
        return FromPlatformTime(now);
    }
};

}  // namespace

const Clock& SystemClock() {
    static const Win32Clock clock;
    return clock;
}

}  // namespace tavrin::platform
