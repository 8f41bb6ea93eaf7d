#include "analyzer/report_number.h"

#include <charconv>

namespace gripline {

// std::to_chars never consults the locale and rounds the exact binary value
// correctly, so the native and the Windows build print the same digits (a
// printf from msvcrt would not guarantee either).
std::string twoDecimals(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    // The largest float has 39 integer digits: 64 characters always suffice.
    if (result.ec != std::errc())
        return "?";
    return std::string(text, result.ptr);
}

} // namespace gripline
