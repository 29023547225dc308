// Locale texts of a pinned locale, with "(failed)" for a text that can't be
// had; the C locale is pinned again after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/locale_text.h"

namespace tavrin::platform {

// Tuesday, 3 February 2004, 7:05:30 in the morning.
inline constexpr SYSTEMTIME kMorning{2004, 2, 2, 3, 7, 5, 30, 0};

class PinnedLocaleTest : public ::testing::Test {
protected:
    ~PinnedLocaleTest() override { PinUserLocale("C"); }

    static std::string Date(const SYSTEMTIME& time) {
        std::string text = "untouched";
        return UserLocaleTexts().ShortDate(time, text) ? text : "(failed)";
    }
    static std::string Time(const SYSTEMTIME& time) {
        std::string text = "untouched";
        return UserLocaleTexts().TimeWithoutSeconds(time, text) ? text : "(failed)";
    }
};

}  // namespace tavrin::platform
