#include "engine/simulator_handoff.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gripline {

// The engine maps 2000 / ForceStrength N·m to the wheel's full scale. In
// Simucube mode the simulator's own force is scaled to that same torque, so
// the two agree on what full force means. A strength of 0 or less counts as
// 1 so the force stays finite.
double connectionMaxForceNm(const FfbSettings& settings) {
    if (!settings.SimucubeMode)
        return kSuppressingMaxForceNm;
    return 2000.0 / std::max(settings.ForceStrength, int32_t{1});
}

int32_t maxForceLParam(double forceNm) {
    const double fixed = std::trunc(forceNm * 65536.0);
    if (!std::isfinite(fixed))
        return 0;
    // No force given here comes near these limits; they only keep the
    // conversion defined.
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(fixed, kLowest, kHighest));
}

void MaxForceHandOff::connectionStarted(const FfbSettings& settings) {
    sendMaxForce(maxForceLParam(connectionMaxForceNm(settings)));
}

void MaxForceHandOff::connectionEnded() {
    sendMaxForce(maxForceLParam(kRestoredMaxForceNm));
}

} // namespace gripline
