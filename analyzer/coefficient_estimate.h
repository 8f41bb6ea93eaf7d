#pragma once
// The five car coefficients fitted to the steady cornering of a recording.
#include "recording/recording_format.h"
#include "settings/car_coefficients.h"

#include <cstdint>
#include <span>

namespace gripline {

struct CoefficientEstimate {
    bool Valid = false;            // the fit was made
    bool HighConfidence = false;
    bool MediumConfidence = false; // also set whenever HighConfidence is
    uint32_t StableCornerCount = 0;
    float SpeedRange = 0;              // m/s between the slowest and fastest corner; 0 when not valid
    float YawLateralCorrelation = 1.0f; // |correlation| of the yaw and lateral inputs; 1 when not valid
    // The estimate, or the starting coefficients when not valid. Car is unused.
    CarCoefficients Coefficients;
};

// The recorded coefficients as the fit starts from them: a yaw-rate
// multiplier, divisor or resistance gain that is not a positive number takes
// the engine's default, a steer margin bias that is not a finite number 0,
// and the yaw steer gain is 0 in a version-1 file (that layout did not have
// it) or when not a number, and otherwise limited to 0..0.45.
CarCoefficients startingCoefficients(const RecordingHeader& header);

// Fits the coefficients to the recording's stable corners. `fullScaleNm` is
// the software full-scale threshold the resistance gain is scaled against.
// An estimate that would hold a coefficient that is not a finite number is
// not valid.
// Deterministic: the same recording always gives the same estimate.
CoefficientEstimate estimateCoefficients(const RecordingHeader& header,
                                         std::span<const RecordingSample> samples,
                                         float fullScaleNm);

} // namespace gripline
