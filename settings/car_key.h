#pragma once
// The car key: how the program names a car in its lists and in the file.
#include <cstdint>
#include <string>
#include <string_view>

namespace gripline {

// The name trimmed of spaces, tabs, CR and LF and put in lower case; empty
// when that is empty or "generic" (no particular car known).
std::wstring normalizeCarKey(std::wstring_view name);

// "CarProfile<profile>_" followed by the key with every character other than
// a-z and 0-9 replaced by "_" ("generic" when the key is empty).
std::wstring carSectionName(int32_t profileIndex, std::wstring_view key);

} // namespace gripline
