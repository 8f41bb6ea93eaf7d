#include "analyzer/stable_corners.h"

#include <algorithm>
#include <cmath>

namespace gripline {

namespace {

constexpr float kMinSpeed = 10.0f;                 // m/s
constexpr float kMinLateralAccel = 1.96133f;       // m/s², 0.2 g
constexpr float kMaxLongitudinalAccel = 6.3743224f; // m/s², 0.65 g
constexpr float kMinSteering = 0.02f;              // rad
constexpr float kMaxSteering = 2.5f;               // rad
constexpr float kNoCrashReduction = 0.999f;

float curvature(const RecordingSample& sample) {
    return sample.YawRate / std::max(1.0f, sample.Speed);
}

StableCornerPoint pointOf(const RecordingSample& sample) {
    return {std::fabs(curvature(sample)) * 40.0f, std::fabs(sample.LatAccel) / 90.0f,
            std::fabs(sample.SteeringWheelAngle), sample.Speed, sample.LatAccel};
}

// A damaged recording must not put an infinity into the fit's sums, where it
// would turn every coefficient into a non-number. Any real sample passes.
bool isFinite(const StableCornerPoint& point) {
    return std::isfinite(point.U) && std::isfinite(point.V) && std::isfinite(point.Y) &&
           std::isfinite(point.Speed) && std::isfinite(point.LatAccel);
}

} // namespace

bool isStableCorner(const RecordingSample& sample) {
    const float steering = std::fabs(sample.SteeringWheelAngle);
    return sample.Speed >= kMinSpeed && std::fabs(sample.LatAccel) >= kMinLateralAccel &&
           std::fabs(sample.LongAccel) <= kMaxLongitudinalAccel && steering >= kMinSteering &&
           steering <= kMaxSteering && sample.LatAccel * curvature(sample) > 0.0f &&
           sample.CrashFactor >= kNoCrashReduction;
}

StableCorners selectStableCorners(std::span<const RecordingSample> samples) {
    StableCorners corners;
    corners.Points.reserve(samples.size());
    corners.ResistanceForces.reserve(samples.size() / 10);
    for (const RecordingSample& sample : samples) {
        if (isStableCorner(sample)) {
            const StableCornerPoint point = pointOf(sample);
            if (isFinite(point))
                corners.Points.push_back(point);
        }
        if (sample.UndersteerActivity > 0.0f)
            corners.ResistanceForces.push_back(std::fabs(sample.ResistanceForce));
    }
    return corners;
}

} // namespace gripline
