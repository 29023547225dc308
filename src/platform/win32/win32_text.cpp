#include "platform/win32/win32_text.h"

#include <limits>

#include "platform/win32/win32_api.h"

namespace tavrin::platform {
namespace {

std::optional<std::wstring> Widen(UINT codePage, DWORD flags, std::string_view text) {
    if (text.empty()) return std::wstring();
    if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
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
std::optional<std::string> Narrow(UINT codePage, const std::wstring& wide, bool strict) {
    if (wide.empty()) return std::string();
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

std::optional<std::string> Utf8ToAnsi(std::string_view text) {
    const auto wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text);
    if (!wide) return std::nullopt;
    return Narrow(CP_ACP, *wide, true);
}

std::string Utf8ToAnsiForDisplay(std::string_view text) {
    // Without MB_ERR_INVALID_CHARS broken UTF-8 comes through as U+FFFD.
    const auto wide = Widen(CP_UTF8, 0, text);
    if (!wide) return std::string();
    return Narrow(CP_ACP, *wide, false).value_or(std::string());
}

std::string AnsiToUtf8(std::string_view text) {
    const auto wide = Widen(CP_ACP, 0, text);
    if (!wide) return std::string();
    return Narrow(CP_UTF8, *wide, false).value_or(std::string());
}

std::string SystemErrorText(std::uint32_t code) {
    char buffer[512];
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text = AnsiToUtf8(std::string_view(buffer, length));
    // The system's texts are whole sentences with a line break at the end.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' ||
                             text.back() == '.')) {
        text.pop_back();
    }
    if (text.empty()) return "system error " + std::to_string(code);
    return text;
}

}  // namespace tavrin::platform
