#include "engine/wheel_magnitude.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace gripline {

float fullScaleNm(int32_t forceStrength) {
    return 2000.0f / static_cast<float>(std::max(forceStrength, 1));
}

// Evaluated in float, left to right, so both builds truncate the same bits.
// A NaN converted to an integer is undefined behaviour; on x86 it comes out
// as the most negative integer, a full-scale slam of the wheel. It gives 0.
int32_t forceToMagnitude(float forceNm, int32_t forceStrength) {
    if (forceStrength <= 0 || !std::isfinite(forceNm))
        return 0;
    const float value = forceNm / 40.0f * static_cast<float>(forceStrength) / 50.0f * 10000.0f;
    // 2^31 is exact in float; anything at or beyond it (infinity included,
    // from a finite force too large to scale) saturates.
    constexpr float kLimit = 2147483648.0f;
    if (value >= kLimit)
        return std::numeric_limits<int32_t>::max();
    if (value <= -kLimit)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

int32_t clampMagnitude(int32_t magnitude) {
    return std::clamp(magnitude, -kMaxRequestedMagnitude, kMaxRequestedMagnitude);
}

// A cubic Hermite curve from 0 with slope s up to (T, T) with slope 1: the
// curve meets the straight line smoothly at T. M = 100 × MinForce is where
// the lift is strongest; the curve ends at T = max(2M, M + 400).
int32_t minimumForceCurve(int32_t magnitude, int32_t minForce) {
    if (minForce < 1 || magnitude == 0)
        return magnitude;
    const int64_t a = std::llabs(int64_t{magnitude});
    const int64_t m = int64_t{minForce} * 100;
    const int64_t end = std::min<int64_t>(std::max(2 * m, m + 400), kMaxRequestedMagnitude);
    if (a >= end)
        return magnitude;
    const float t = static_cast<float>(a) / static_cast<float>(end);
    const float s = std::min(static_cast<float>(minForce) / 10.0f + 1.0f, 3.0f);
    const float h = s * (t * t * t - 2.0f * t * t + t) + (3.0f * t * t - 2.0f * t * t * t) +
                    (t * t * t - t * t);
    const float lifted = std::max(static_cast<float>(end) * h, static_cast<float>(a));
    const auto result = static_cast<int32_t>(std::round(lifted)); // halves away from zero
    return magnitude < 0 ? -result : result;
}

int32_t toMagnitude(float forceNm, const FfbSettings& settings, bool parked,
                    StintAccumulators& acc) {
    int32_t magnitude = forceToMagnitude(forceNm, settings.ForceStrength);
    ++acc.ClipTotal;
    if (beyondOutputRange(magnitude))
        ++acc.ClipCount;
    magnitude = clampMagnitude(magnitude);

    // A parked car gets a quarter of the force so the wheel does not fight
    // the driver's hands in the pits; the lift for weak wheels would undo it.
    if (parked && settings.ReduceForceWhenParked)
        magnitude /= 4; // toward zero
    else
        magnitude = minimumForceCurve(magnitude, settings.MinForce);

    ++acc.OutSamples;
    if (magnitude != 0)
        ++acc.OutNonZero;
    acc.OutPeak = std::max(acc.OutPeak, std::abs(magnitude));
    return clampMagnitude(magnitude);
}

} // namespace gripline
