// Texts at the edge of the Win32 backend. The shared code holds UTF-8; the
// viewer calls the 8-bit ("A") forms of the platform's functions, which take
// texts in the system's ANSI code page. Every text crosses between the two
// here, through UTF-16.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrin::platform {

// The text in the ANSI code page; nothing when a character has no exact form
// there (a look-alike would name another file or say something else).
std::optional<std::string> Utf8ToAnsi(std::string_view text);
// As Utf8ToAnsi, but a character without an ANSI form becomes '?': for texts
// that are only shown.
std::string Utf8ToAnsiForDisplay(std::string_view text);
// The ANSI text in UTF-8. Every ANSI character has a UTF-8 form, so
// ANSI → UTF-8 → ANSI gives back the same bytes.
std::string AnsiToUtf8(std::string_view text);

// The system's words for an error code, as a sentence part in UTF-8 without
// the closing full stop ("The system cannot find the file specified").
std::string SystemErrorText(std::uint32_t code);

}  // namespace tavrin::platform
