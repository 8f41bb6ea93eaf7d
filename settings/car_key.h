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

// The section of a car's entry for a track, the wet or both:
// "CarContext<profile>_<car>" followed by "@track_<track>" and "@wet", car
// and track spelled as in carSectionName. Releases before contexts read only
// "CarProfile" sections, and no car key gives an "@", so they never take one
// of these for their own. A car entry (no track, dry) is carSectionName's.
std::wstring contextSectionName(int32_t profileIndex, std::wstring_view carKey,
                                std::wstring_view trackKey, bool wet);

} // namespace gripline
