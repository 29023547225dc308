// The locale's date and time texts as every backend gives them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pinned_locale.h"
#include "platform/locale_text.h"

namespace tavrin::platform {
namespace {

class LocaleTest : public PinnedLocaleTest {};

TEST_F(LocaleTest, APinnedLocaleGivesItsOwnForms) {
    for (const char* name : {"de_DE", "de_DE.UTF-8"}) {
        PinUserLocale(name);
        EXPECT_EQ(Time(kMorning), "07:05") << name;
        // Day, month and year with dots, whether the platform writes leading
        // zeros and the century or not.
        EXPECT_THAT(Date(kMorning), ::testing::MatchesRegex("0?3\\.0?2\\.2?0?04")) << name;
    }
}

TEST_F(LocaleTest, ATimeTheCalendarRejectsHasNoText) {
    SYSTEMTIME invalid = kMorning;
    invalid.month = 13;
    EXPECT_EQ(Date(invalid), "(failed)");
    invalid = kMorning;
    invalid.hour = 24;
    EXPECT_EQ(Time(invalid), "(failed)");
}

}  // namespace
}  // namespace tavrin::platform
