#pragma once
// Fractional values are stored scaled and rounded to the nearest integer,
// halves away from zero.
#include <cmath>
#include <cstdint>
#include <limits>

namespace gripline {

// value × scale rounded; saturates at the 32-bit limits, and a value that is
// not a number stores as 0.
inline int32_t roundScaled(double value, double scale = 1.0) {
    const double scaled = std::round(value * scale);
    if (std::isnan(scaled))
        return 0;
    if (scaled >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (scaled <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(scaled);
}

} // namespace gripline
