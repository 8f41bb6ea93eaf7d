#pragma once
// Steady cornering picked out of a recording for the coefficient fit.
#include "recording/recording_format.h"

#include <span>
#include <vector>

namespace gripline {

// One stable-corner sample, scaled so that typical coefficients fit near 1.
struct StableCornerPoint {
    float U;        // |yaw rate / max(1, speed)| × 40, rad/m scaled
    float V;        // |lateral acceleration| / 90
    float Y;        // |steering wheel angle|, rad
    float Speed;    // m/s
    float LatAccel; // m/s², signed: which way the car turned
};

struct StableCorners {
    std::vector<StableCornerPoint> Points;
    // |ResistanceForce| (N·m) of every sample in which understeer resistance
    // acted, corner or not: the resistance gain is scaled against these.
    std::vector<float> ResistanceForces;
};

// Whether a sample is steady cornering: fast enough, turning with some
// lateral load but not braking or accelerating hard, the wheel neither
// centred nor near the lock, yaw and lateral acceleration agreeing, and no
// crash protection acting.
bool isStableCorner(const RecordingSample& sample);

StableCorners selectStableCorners(std::span<const RecordingSample> samples);

} // namespace gripline
