#pragma once
// Conversions between the settings' UTF-16 text (std::wstring, whose
// wchar_t is UTF-16 on Windows and UTF-32 natively) and the byte encodings
// found in INI files and native file names.
#include "common/utf8_text.h" // wideToUtf8

#include <filesystem>
#include <string>
#include <string_view>

namespace gripline {

// Appends one Unicode code point, as a surrogate pair where wchar_t is 16-bit.
void appendCodePoint(std::wstring& out, char32_t codePoint);

// Reads the code point at `pos` and advances it; a lone surrogate is returned
// as it stands.
char32_t nextCodePoint(std::wstring_view text, size_t& pos);

// Number of UTF-16 units `text` takes: the length the Windows functions count.
size_t utf16Length(std::wstring_view text);

// Strict UTF-8 decoding; false on any malformed or overlong sequence.
bool decodeUtf8(std::string_view bytes, std::wstring& out);
// Lenient decoding for display: malformed bytes become U+FFFD.
std::wstring utf8ToWide(std::string_view bytes);

// Windows-1252, the usual ANSI code page. Undefined bytes map to the code
// point of the same value, as Windows maps them.
std::wstring decodeWindows1252(std::string_view bytes);
// False when a character has no byte in the code page.
bool encodeWindows1252(std::wstring_view text, std::string& out);

// A file name as text and back, without the locale-dependent conversions of
// std::filesystem (native names are UTF-8 bytes).
std::wstring pathText(const std::filesystem::path& path);
std::filesystem::path pathFromText(std::wstring_view text);

} // namespace gripline
