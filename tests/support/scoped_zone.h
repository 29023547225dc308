// Sets the time zone (TZ) of the test's own process for the length of a
// scope, and puts the old one back.
#pragma once

#include <stdlib.h>

#include <optional>
#include <string>

namespace tavrin::testing {

class ScopedZone {
public:
    explicit ScopedZone(const char* zone) {
        if (const char* old = ::getenv("TZ")) old_ = old;
        Set(zone);
    }
    ~ScopedZone() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
    }
    ScopedZone(const ScopedZone&) = delete;
    ScopedZone& operator=(const ScopedZone&) = delete;

    void Set(const char* zone) { ::setenv("TZ", zone, 1); }

private:
    std::optional<std::string> old_;
};

}  // namespace tavrin::testing
