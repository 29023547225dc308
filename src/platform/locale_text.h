// The user's locale forms of dates and times.
#pragma once

#include <string>
#include <string_view>

#include "platform/types.h"

namespace tavrin::platform {

class LocaleTexts {
public:
    virtual ~LocaleTexts() = default;
    // The date in the locale's short form; false when it can't be had.
    virtual bool ShortDate(const SYSTEMTIME& time, std::string& text) const = 0;
    // The time of day without seconds; false when it can't be had.
    virtual bool TimeWithoutSeconds(const SYSTEMTIME& time, std::string& text) const = 0;
};

// The forms of the user's default locale.
const LocaleTexts& UserLocaleTexts();
// From now on UserLocaleTexts() follows the named locale ("de_DE", "en_US")
// instead of the user's, so that tests don't depend on the machine.
void PinUserLocale(std::string_view name);

}  // namespace tavrin::platform
