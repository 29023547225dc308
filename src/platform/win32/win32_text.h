// Texts at the edge of the Win32 backend. The shared code holds UTF-8; each
// program calls one form of the platform's text functions, chosen when its
// backend is built: the 8-bit "A" forms, which take texts in the system's
// ANSI code page (TavrinView), or, with UNICODE defined, the wide "W" forms,
// which take UTF-16 (the notepad). The backend calls the generic names
// (CreateFile, MessageBox, ...), which <windows.h> maps to that form, and
// every text crosses between UTF-8 and the form's characters here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::platform {

#ifdef UNICODE
using SystemChar = wchar_t;
// The wide form spells every character; only broken UTF-8 has no form.
inline constexpr std::string_view kNoSystemForm = "the name is not valid UTF-8";
#else
using SystemChar = char;
inline constexpr std::string_view kNoSystemForm =
    "the name can't be written in the system's code page";
#endif
using SystemText = std::basic_string<SystemChar>;
using SystemTextView = std::basic_string_view<SystemChar>;

// The text in the build's form; nothing when a character has no exact form
// there (a look-alike would name another file or say something else).
std::optional<SystemText> ToSystemText(std::string_view text);
// As ToSystemText, but a character without a form becomes '?': for texts
// that are only shown.
SystemText ToSystemTextForDisplay(std::string_view text);
// The text in UTF-8. Every character of either form has a UTF-8 form, so
// form → UTF-8 → form gives back the same text.
std::string FromSystemText(SystemTextView text);

// The system's words for an error code, as a sentence part in UTF-8 without
// the closing full stop ("The system cannot find the file specified").
std::string SystemErrorText(std::uint32_t code);

}  // namespace tavrin::platform
