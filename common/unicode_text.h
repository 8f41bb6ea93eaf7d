#pragma once
// Conversions between wide text (std::wstring: UTF-16 on Windows, UTF-32
// natively) and the byte encodings the programs meet: UTF-8 from the
// simulator, the settings file and native file names, and Windows-1252, the
// ANSI code page of the machines the simulator runs on.
#include <string>
#include <string_view>

namespace gripline {

// Appends one code point, as a surrogate pair where wchar_t has 16 bits.
void appendCodePoint(std::wstring& out, char32_t codePoint);
// Reads the code point at `pos` and advances past it; a lone surrogate is
// returned as it stands.
char32_t nextCodePoint(std::wstring_view text, size_t& pos);
// Number of UTF-16 units `text` takes: the length the Windows functions count.
size_t utf16Length(std::wstring_view text);

// Strict UTF-8: false on any invalid, overlong, truncated or surrogate
// sequence and on code points above U+10FFFF.
bool utf8ToWide(std::string_view bytes, std::wstring& out);
// Lenient decoding for display: each malformed byte becomes U+FFFD.
std::wstring utf8ToWide(std::string_view bytes);
// A lone surrogate becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

// Every byte maps to one character; the five bytes Windows-1252 leaves
// unassigned map to the control characters of the same value, as Windows
// maps them.
std::wstring windows1252ToWide(std::string_view bytes);
// False when a character has no byte in the code page.
bool encodeWindows1252(std::wstring_view text, std::string& out);

} // namespace gripline
