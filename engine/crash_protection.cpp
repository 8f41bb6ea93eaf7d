#include "engine/crash_protection.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

constexpr float kStandardGravity = 9.80665f; // m/s² per g
constexpr int64_t kNsPerTenth = 100'000'000;

// A threshold in tenths of g; 0 or less switches that direction off.
bool reaches(float accelMps2, int32_t thresholdTenths) {
    const float threshold = static_cast<float>(thresholdTenths) / 10.0f;
    return threshold > 0 && std::fabs(accelMps2) / kStandardGravity >= threshold;
}

} // namespace

float crashFactor(const TelemetrySnapshot& s, const FfbSettings& settings, int64_t nowNs,
                  int64_t& holdUntilNs) {
    if (settings.CrashReduction <= 0 || settings.CrashDurationTenths <= 0)
        return 1.0f;
    if (reaches(s.LongAccel, settings.CrashLongG) || reaches(s.LatAccel, settings.CrashLatG))
        holdUntilNs =
            std::max(holdUntilNs, nowNs + int64_t{settings.CrashDurationTenths} * kNsPerTenth);
    if (nowNs >= holdUntilNs)
        return 1.0f;
    // Never all the way to 0: the driver keeps a trace of the wheel's centre.
    const float reduction =
        std::max(std::min(static_cast<float>(settings.CrashReduction) / 100.0f, 0.99f), 0.0f);
    return 1.0f - reduction;
}

} // namespace gripline
