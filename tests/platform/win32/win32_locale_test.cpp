// What only the Win32 backend does with texts and windows: its locale rules
// (the C locale and an unknown one), texts in the build's form (the ANSI code
// page or UTF-16), and the main window.
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

#ifdef UNICODE

TEST(WideTextTest, RoundTripsThroughUtf8) {
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F \xE4\xB8\xAD \xF0\x9F\x93\x9D";  // U+4E2D, and U+1F4DD: two UTF-16 units
    const std::wstring wide = L"Gr\u00FC\u00DF \u4E2D \U0001F4DD";
    EXPECT_EQ(ToSystemText(utf8), wide);
    EXPECT_EQ(FromSystemText(wide), utf8);
}

TEST(WideTextTest, BrokenUtf8IsRefusedOrShownAsReplacement) {
    EXPECT_EQ(ToSystemText("broken \xC3"), std::nullopt);
    EXPECT_EQ(ToSystemTextForDisplay("broken \xC3"), L"broken \uFFFD");
    EXPECT_EQ(ToSystemText(""), std::wstring());
}

#else

TEST(AnsiTextTest, RoundTripsThroughUtf8) {
    std::string everyByte;
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    EXPECT_EQ(ToSystemText(FromSystemText(everyByte)), everyByte);
    EXPECT_EQ(FromSystemText("Gr\xFC\xDF"), "Gr\xC3\xBC\xC3\x9F");  // Grüß in the Western code page
}

TEST(AnsiTextTest, CharactersWithoutAnAnsiFormAreRefusedOrShownAsQuestionMarks) {
    const std::string chinese = "a\xE4\xB8\xAD" "b";
    EXPECT_EQ(ToSystemText(chinese), std::nullopt);
    EXPECT_EQ(ToSystemTextForDisplay(chinese), "a?b");
    EXPECT_EQ(ToSystemText("broken \xC3"), std::nullopt);
    EXPECT_EQ(ToSystemText(""), std::string());
}

#endif

// A plain window of the system's static class, destroyed with the test.
class WindowTest : public ::testing::Test {
protected:
    WindowTest()
        : handle_(::CreateWindowEx(0, TEXT("STATIC"), TEXT(""), WS_OVERLAPPEDWINDOW, 0, 0, 248, 383,
                                   nullptr, nullptr, ::GetModuleHandle(nullptr), nullptr)),
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

#ifdef UNICODE
TEST_F(WindowTest, TheWideCallsSetATitleOutsideTheCodePage) {
    window_.SetTitle("[07:05] \xE4\xB8\xAD TavrinView");
    wchar_t title[260] = {};
    ::GetWindowTextW(handle_, title, 260);
    EXPECT_STREQ(title, L"[07:05] \u4E2D TavrinView");
}
#endif

TEST(HostWindowTest, WithoutAWindowThereIsNoClientAreaNorTitle) {
    Win32HostWindow window;
    EXPECT_EQ(window.ClientRect(), Rect{});
    window.SetTitle("TavrinView");
}

}  // namespace
}  // namespace tavrin::platform
