#pragma once
// Numbers in the analyzer's report: fixed notation with two decimals and a
// point, whatever the user's locale, identical in every build.
#include <string>

namespace gripline {

// The float's exact value correctly rounded to two decimals ("12.35",
// "-0.50"); "nan", "inf" and "-inf" for values that are not finite.
std::string twoDecimals(float value);

} // namespace gripline
