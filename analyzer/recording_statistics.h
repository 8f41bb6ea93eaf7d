#pragma once
// The numbers the analyzer reads out of one recording.
#include "analyzer/coefficient_estimate.h"
#include "recording/recording_format.h"

#include <cstdint>
#include <span>

namespace gripline {

struct RecordingStatistics {
    uint32_t SampleCount = 0;
    float DurationSeconds = 0;  // the last sample's time
    float MaxSpeed = 0;         // m/s
    float MaxLateralG = 0;      // g
    float MaxLongitudinalG = 0; // g
    float FullScaleNm = 40;     // software full-scale threshold of the last sample, N·m
    // Percentiles of the magnitudes over all samples, N·m.
    float FinalForceP95 = 0;
    float FinalForceP99 = 0;
    float BaseForceP95 = 0;
    float ResistanceForceP95 = 0;
    float SuspensionDetailP95 = 0;
    float SuspensionDetailP99 = 0;
    // Shares of all samples, percent.
    float ClippedShare = 0;
    float UndersteerResistanceShare = 0;
    float SuspensionPriorityShare = 0;
    float AbsShare = 0;
    uint32_t CrashProtectionCount = 0; // samples with the crash protection reducing force
    CoefficientEstimate Estimate;
};

// One pass over the samples, the percentiles and the coefficient fit. Needs
// at least one sample (the reader refuses a recording without any).
RecordingStatistics computeStatistics(const RecordingHeader& header,
                                      std::span<const RecordingSample> samples);

} // namespace gripline
