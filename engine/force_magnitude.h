#pragma once
// From a steering torque to the wheel's unit: magnitude = force / 40 ×
// ForceStrength / 50 × 10 000, computed in float left to right and truncated,
// so full scale is 2000 / max(ForceStrength, 1) N·m. The engine never asks
// for more than 9996; a torque that is not finite gives 0.
#include <cmath>
#include <cstdint>

namespace gripline {

inline constexpr int32_t kMaxRequestedMagnitude = 9996;

inline int32_t toMagnitude(float forceNm, int32_t forceStrength) {
    const float magnitude = forceNm / 40.0f * static_cast<float>(forceStrength) / 50.0f * 10000.0f;
    if (!std::isfinite(magnitude))
        return 0;
    if (magnitude >= static_cast<float>(kMaxRequestedMagnitude))
        return kMaxRequestedMagnitude;
    if (magnitude <= -static_cast<float>(kMaxRequestedMagnitude))
        return -kMaxRequestedMagnitude;
    return static_cast<int32_t>(magnitude);
}

} // namespace gripline
