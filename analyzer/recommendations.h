#pragma once
// The recommended starting profile: each setting moved from its recorded
// value towards a target use of the wheel's range.
#include "analyzer/recording_statistics.h"
#include "recording/recording_format.h"

#include <cstdint>

namespace gripline {

// Fractions of the software full-scale threshold the recorded forces used.
struct ForceUsage {
    float Usage;       // final force P99
    float BaseUsage;   // base force P95
    float DetailUsage; // suspension detail P95
    float ImpactUsage; // suspension detail P99
};

ForceUsage forceUsage(const RecordingStatistics& stats);

struct ProfileSettings {
    int32_t ForceStrength = 0;
    int32_t CarForceBalance = 0;
    int32_t Bumps = 0; // road texture
    int32_t BumpImpacts = 0;
    int32_t SuspensionDetailPriority = 0;
    int32_t AbsVibration = 0;
};

// The six settings as the recording holds them.
ProfileSettings recordedSettings(const RecordingHeader& header);

// A setting changes only where its rule applies, and a changed value is kept
// within its range; an unchanged one passes on as recorded.
ProfileSettings recommendSettings(const ProfileSettings& recorded, const RecordingStatistics& stats);

} // namespace gripline
