#include "platform/win32/win32_text.h"

#include <iterator>
#include <limits>

#include "platform/win32/win32_api.h"

namespace tavrin::platform {
namespace {

bool TooLong(std::size_t length) {
    return length > static_cast<std::size_t>(std::numeric_limits<int>::max());
}

std::optional<std::wstring> Widen(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return std::wstring();
    if (TooLong(text.size())) return std::nullopt;
    const int length = static_cast<int>(text.size());
    const int count = ::MultiByteToWideChar(codePage, flags, text.data(), length, nullptr, 0);
    if (count <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(count), L'\0');
    if (::MultiByteToWideChar(codePage, flags, text.data(), length, wide.data(), count) != count) {
        return std::nullopt;
    }
    return wide;
}

// `strict`: fail on a character that the code page can't hold exactly,
// instead of putting its default character in.
std::optional<std::string> Narrow(UINT codePage, std::wstring_view wide, bool strict) {
    if (wide.empty()) return std::string();
    if (TooLong(wide.size())) return std::nullopt;
    const int length = static_cast<int>(wide.size());
    // The UTF-8 code page holds every character and takes neither the flag
    // nor the question whether the default character was used.
    const bool exact = codePage == CP_UTF8;
    const DWORD flags = exact ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askUsedDefault = exact ? nullptr : &usedDefault;
    const int count = ::WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0,
                                            nullptr, askUsedDefault);
    if (count <= 0 || (strict && usedDefault)) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(count), '\0');
    if (::WideCharToMultiByte(codePage, flags, wide.data(), length, narrow.data(), count, nullptr,
                              nullptr) != count) {
        return std::nullopt;
    }
    return narrow;
}

}  // namespace

#ifdef UNICODE

std::optional<SystemText> ToSystemText(std::string_view text) {
    return Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text);
}

SystemText ToSystemTextForDisplay(std::string_view text) {
    // Without MB_ERR_INVALID_CHARS broken UTF-8 comes through as U+FFFD.
    return Widen(CP_UTF8, 0, text).value_or(SystemText());
}

std::string FromSystemText(SystemTextView text) {
    return Narrow(CP_UTF8, text, false).value_or(std::string());
}

#else

// The ANSI code page and UTF-8 meet through UTF-16.
std::optional<SystemText> ToSystemText(std::string_view text) {
    const auto wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (!wide) return std::nullopt;
    return Narrow(CP_ACP, *wide, true);
}

SystemText ToSystemTextForDisplay(std::string_view text) {
    // Without MB_ERR_INVALID_CHARS broken UTF-8 comes through as U+FFFD.
    const auto wide = Widen(CP_UTF8, 0, text);
    if (!wide) return SystemText();
    return Narrow(CP_ACP, *wide, false).value_or(SystemText());
}

std::string FromSystemText(SystemTextView text) {
    const auto wide = Widen(CP_ACP, 0, text);
    if (!wide) return std::string();
    return Narrow(CP_UTF8, *wide, false).value_or(std::string());
}

#endif

std::string SystemErrorText(std::uint32_t code) {
    SystemChar buffer[512];
    const DWORD length = ::FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                         nullptr, code, 0, buffer,
                                         static_cast<DWORD>(std::size(buffer)), nullptr);
    std::string text = FromSystemText(SystemTextView(buffer, length));
    // The system's texts are whole sentences with a line break at the end.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) return "system error " + std::to_string(code);
    return text;
}

}  // namespace tavrin::platform
