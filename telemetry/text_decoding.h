#pragma once
// Bytes from the simulator to wide text. The simulator writes names in
// UTF-8, or in the ANSI code page when a name is not valid UTF-8
// (Windows-1252 on the machines it runs on). The portable decoders are what
// the native build uses; the Windows build asks the system (platform*), and a
// test under Wine holds the two to the same result.
#include "common/unicode_text.h"

#include <string>
#include <string_view>

namespace gripline {

// The platform's conversions: MultiByteToWideChar with CP_UTF8 (invalid
// input is an error) and CP_ACP on Windows; the two portable decoders
// elsewhere.
bool platformUtf8ToWide(std::string_view bytes, std::wstring& out);
std::wstring platformAnsiToWide(std::string_view bytes);

} // namespace gripline
