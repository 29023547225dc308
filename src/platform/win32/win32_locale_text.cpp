// Locale texts from GetDateFormat and GetTimeFormat in the build's form (the
// 8-bit calls in the ANSI code page, whatever locale is pinned), handed on in
// UTF-8.
#include <atomic>
#include <string>

#include "platform/locale_text.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_text.h"

namespace tavrin::platform {
namespace {

// Each text is limited to 128 characters, the zero at its end included.
constexpr int kLocaleTextSize = 128;
constexpr LCID kUnitedStates = 0x0409;
// The 8-bit calls answer in the pinned locale's own code page unless told to
// use the one the texts are converted from; the wide calls take no such flag.
constexpr DWORD kCodePageFlag = sizeof(SystemChar) == 1 ? LOCALE_USE_CP_ACP : 0;

std::atomic<LCID> pinnedLocale{LOCALE_USER_DEFAULT};

// `length` counts the closing zero; 0 is the calls' failure.
bool Deliver(const SystemChar* buffer, int length, std::string& text) {
    if (length <= 1) return false;
    text = FromSystemText(SystemTextView(buffer, static_cast<std::size_t>(length - 1)));
    return true;
}

class Win32LocaleTexts : public LocaleTexts {
public:
    bool ShortDate(const SYSTEMTIME& time, std::string& text) const override {
        const ::SYSTEMTIME platformTime = ToPlatformTime(time);
        SystemChar buffer[kLocaleTextSize];
        const int length = ::GetDateFormat(pinnedLocale, DATE_SHORTDATE | kCodePageFlag,
                                           &platformTime, nullptr, buffer, kLocaleTextSize);
        return Deliver(buffer, length, text);
    }
    bool TimeWithoutSeconds(const SYSTEMTIME& time, std::string& text) const override {
        const ::SYSTEMTIME platformTime = ToPlatformTime(time);
        SystemChar buffer[kLocaleTextSize];
        const int length = ::GetTimeFormat(pinnedLocale, TIME_NOSECONDS | kCodePageFlag,
                                           &platformTime, nullptr, buffer, kLocaleTextSize);
        return Deliver(buffer, length, text);
    }
};

// "de_DE", "de_DE.UTF-8" or "C" as a locale identifier; the user's default
// locale when Windows knows no such locale.
LCID LocaleOf(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return kUnitedStates;
    std::wstring windowsName;
    for (const char c : name) {
        // Locale names are plain ASCII letters, digits and separators.
        if (static_cast<unsigned char>(c) > 0x7F) return LOCALE_USER_DEFAULT;
        windowsName += static_cast<wchar_t>(c == '_' ? '-' : c);
    }
    const LCID locale = ::LocaleNameToLCID(windowsName.c_str(), 0);
    return locale != 0 ? locale : LOCALE_USER_DEFAULT;
}

}  // namespace

const LocaleTexts& UserLocaleTexts() {
    static const Win32LocaleTexts texts;
    return texts;
}

void PinUserLocale(std::string_view name) { pinnedLocale = LocaleOf(name); }

}  // namespace tavrin::platform
