#pragma once
// The wheelbase's maximum torque as the user types it (N·m, "12,5" or
// "12.5") and as the field shows it, stored in tenths of N·m.
#include <cstdint>
#include <string>
#include <string_view>

namespace gripline {

// Tenths of N·m, limited to 10 .. 9990; 0 ("not given") for text that is not
// a positive number. Only the first 15 characters count, as the field is read.
int32_t wheelbaseTenthsFromText(std::wstring_view text);

// "12.5" for 125; empty for 0 or less.
std::wstring wheelbaseText(int32_t tenths);

} // namespace gripline
