#pragma once
// The program keeps all text as 8-bit strings in the process code page: UTF-8 where the system
// honours the manifest's choice (Windows 10 1903 and later), the system's legacy ANSI code page
// elsewhere. These helpers cut such text only between characters, bring text of older files
// into UTF-8, and give GDI (which ignores the process code page) its text as UTF-16.
#include <windows.h>

#include <cstddef>
#include <string>

namespace vantrel::platform {

// Whether `text` is well-formed UTF-8: no stray continuation byte, no cut sequence, no
// overlong form, no surrogate, nothing above U+10FFFF.
bool IsUtf8(const std::string& text);

// The longest start of UTF-8 `text` of at most `maxBytes` bytes that ends between two
// characters. Bytes that are not UTF-8 count as characters of one byte.
std::string Utf8Prefix(const std::string& text, std::size_t maxBytes);

// The first `maxChars` characters (code points) of UTF-8 `text`.
std::string Utf8FirstChars(const std::string& text, std::size_t maxChars);

// `text` unchanged when it is UTF-8; otherwise read as text in `legacyCodePage` and given as
// UTF-8. Files written by older versions hold their text in the system's legacy code page.
std::string LegacyToUtf8(const std::string& text, UINT legacyCodePage);

// LegacyToUtf8 for every line of a whole file on its own, so a file that mixes both stays
// readable; line ends are kept.
std::string LegacyLinesToUtf8(const std::string& text, UINT legacyCodePage);

// True when the process code page is UTF-8.
bool TextIsUtf8();

// The ANSI code page of the user's default locale: the one files of older versions were
// written in.
UINT LegacyCodePage();

// `text` in the process code page, at most `maxBytes` bytes, cut between characters.
std::string FitText(const std::string& text, std::size_t maxBytes);

// At most `maxChars` characters of `text` in the process code page (bytes when that is not UTF-8).
std::string FirstChars(const std::string& text, std::size_t maxChars);

// Process code page text as UTF-16, and back.
std::wstring Widened(const std::string& text);
std::string Narrowed(const std::wstring& text);

// DrawTextA and GetTextExtentPoint32A, but correct for any script: GDI reads 8-bit text in the
// system's code page, not the process's, so the text goes to the wide functions.
int DrawText8(HDC dc, const std::string& text, RECT* rect, UINT format);
SIZE TextExtent8(HDC dc, const std::string& text);

} // namespace vantrel::platform
