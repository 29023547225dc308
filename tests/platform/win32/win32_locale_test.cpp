// Locale texts, the texts' code page and the main window over Win32 calls.
#include <gtest/gtest.h>

#include "platform/locale_text.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_text.h"

namespace tavrin::platform {
namespace {

const SYSTEMTIME kMorning{2004, 2, 2, 3, 7, 5, 30, 0};

class LocaleTest : public ::testing::Test {
protected:
    ~LocaleTest() override { PinUserLocale("C"); }

    static std::string Date(const SYSTEMTIME& time) {
        std::string text = "untouched";
        return UserLocaleTexts().ShortDate(time, text) ? text : "(failed)";
    }
    static std::string Time(const SYSTEMTIME& time) {
        std::string text = "untouched";
        return UserLocaleTexts().TimeWithoutSeconds(time, text) ? text : "(failed)";
    }
};

TEST_F(LocaleTest, TheCLocaleIsUnitedStatesEnglish) {
    PinUserLocale("C");
    EXPECT_EQ(Date(kMorning), "2/3/2004");
    EXPECT_EQ(Time(kMorning), "7:05 AM");
}

TEST_F(LocaleTest, APinnedLocaleGivesItsOwnForms) {
    for (const char* name : {"de_DE", "de_DE.UTF-8"}) {
        PinUserLocale(name);
        EXPECT_EQ(Time(kMorning), "07:05") << name;
        const std::string date = Date(kMorning);
        EXPECT_NE(date.find('.'), std::string::npos) << name << ": " << date;
        EXPECT_NE(date.find("2004"), std::string::npos) << name << ": " << date;
    }
}

TEST_F(LocaleTest, AnUnknownLocaleFallsBackToTheUsersDefault) {
    PinUserLocale("xx_NOWHERE");
    std::string pinned = Date(kMorning) + " " + Time(kMorning);
    // The tests run with Wine's United States English as the user's locale.
    EXPECT_EQ(pinned, "2/3/2004 7:05 AM");
}

TEST_F(LocaleTest, ATimeTheCalendarRejectsHasNoText) {
    SYSTEMTIME invalid = kMorning;
    invalid.month = 13;
    EXPECT_EQ(Date(invalid), "(failed)");
    invalid = kMorning;
    invalid.hour = 24;
    EXPECT_EQ(Time(invalid), "(failed)");
}

TEST(TextTest, AnsiTextsRoundTripThroughUtf8) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(everyByte)), everyByte);
    EXPECT_EQ(AnsiToUtf8("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");  // Grüß in the Western code page
}

TEST(TextTest, CharactersWithoutAnAnsiFormAreRefusedOrShownAsQuestionMarks) {
    const std::string chinese = "a\xE4\xB8\xAD" "b";
    EXPECT_EQ(Utf8ToAnsi(chinese), std::nullopt);
    EXPECT_EQ(Utf8ToAnsiForDisplay(chinese), "a?b");
    EXPECT_EQ(Utf8ToAnsi("broken \xC3"), std::nullopt);
    EXPECT_EQ(Utf8ToAnsi(""), std::string());
}

// A plain window of the system's static class, destroyed with the test.
class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : handle_(::CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 248, 383, nullptr,
                                    nullptr, ::GetModuleHandleA(nullptr), nullptr)),
          window_(handle_) {}
    ~WindowTest() override { ::DestroyWindow(handle_); }

    HWND handle_;
    Win32HostWindow window_;
};

TEST_F(WindowTest, ReportsTheClientAreaAndSetsTheTitleInTheCodePage) {
    ASSERT_NE(handle_, nullptr);
    RECT client{};
    ::GetClientRect(handle_, &client);
    EXPECT_EQ(window_.ClientRect(), (Rect{0, 0, client.right, client.bottom}));
    EXPECT_GT(client.right, 0);

    window_.SetTitle("[07:05, 03.02.2004] Notiz f\xC3\xBCr TavrinView");
    char title[260] = {};
    ::GetWindowTextA(handle_, title, sizeof title);
    EXPECT_STREQ(title, "[07:05, 03.02.2004] Notiz f\xFCr TavrinView");
}

TEST(HostWindowTest, WithoutAWindowThereIsNoClientAreaNorTitle) {
    Win32HostWindow window;
    EXPECT_EQ(window.ClientRect(), Rect{});
    window.SetTitle("TavrinView");
}

}  // namespace
}  // namespace tavrin::platform
