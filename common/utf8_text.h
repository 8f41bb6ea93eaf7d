#pragma once
// Wide text to UTF-8, shared by the telemetry decoders and the settings text:
// one definition for every program that links both.
#include <string>
#include <string_view>

namespace gripline {

// Wide text (UTF-16 or UTF-32, as wchar_t is) to UTF-8; a lone surrogate
// becomes U+FFFD.
std::string wideToUtf8(std::wstring_view text);

} // namespace gripline
