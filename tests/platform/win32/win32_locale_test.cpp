// What only the Win32 backend does with texts and windows: its locale rules
// (the C locale and an unknown one), texts in the ANSI code page, and the
// main window.
#include <gtest/gtest.h>

#include "pinned_locale.h"
#include "platform/locale_text.h"
#include "platform/win32/win32_host_window.h"
#include "platform/win32/win32_text.h"

namespace tavrin::platform {
namespace {

class Win32LocaleTest : public PinnedLocaleTest {};

TEST_F(Win32LocaleTest, TheCLocaleIsUnitedStatesEnglish) {
    PinUserLocale("C");
    EXPECT_EQ(Date(kMorning), "2/3/2004");
    EXPECT_EQ(Time(kMorning), "7:05 AM");
}

TEST_F(Win32LocaleTest, GermanDatesHaveTheCentury) {
    for (const char* name : {"de_DE", "de_DE.UTF-8"}) {
        PinUserLocale(name);
        const std::string date = Date(kMorning);
        EXPECT_NE(date.find("2004"), std::string::npos) << name << ": " << date;
    }
}

TEST_F(Win32LocaleTest, AnUnknownLocaleFallsBackToTheUsersDefault) {
    PinUserLocale("xx_NOWHERE");
    std::string pinned = Date(kMorning) + " " + Time(kMorning);
    // The tests run with Wine's United States English as the user's locale.
    EXPECT_EQ(pinned, "2/3/2004 7:05 AM");
}

TEST(AnsiTextTest, RoundTripsThroughUtf8) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(everyByte)), everyByte);
    EXPECT_EQ(AnsiToUtf8("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");  // Grüß in the Western code page
}

TEST(AnsiTextTest, CharactersWithoutAnAnsiFormAreRefusedOrShownAsQuestionMarks) {
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
