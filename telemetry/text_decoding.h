#pragma once
// Bytes from the simulator to wide text and wide text to UTF-8. The simulator
// writes names in UTF-8, or in the ANSI code page when a name is not valid
// UTF-8 (Windows-1252 on the machines it runs on). The portable decoders
// below are what the native build uses; the Windows build asks the system
// (platform*), and a test under Wine holds the two to the same result.
#include "common/utf8_text.h" // wideToUtf8

#include <string>
#include <string_view>

namespace gripline {

// Strict UTF-8: false on any invalid, overlong, truncated or surrogate
// sequence and on code points above U+10FFFF. Characters beyond U+FFFF
// become surrogate pairs where wchar_t has 16 bits.
bool utf8ToWide(std::string_view bytes, std::wstring& out);

// Every byte maps to one character; the five bytes Windows-1252 leaves
// unassigned map to the control characters of the same value.
std::wstring windows1252ToWide(std::string_view bytes);


// The platform's conversions: MultiByteToWideChar with CP_UTF8 (invalid
// input is an error) and CP_ACP on Windows; the two portable decoders above
// elsewhere.
bool platformUtf8ToWide(std::string_view bytes, std::wstring& out);
std::wstring platformAnsiToWide(std::string_view bytes);

} // namespace gripline
