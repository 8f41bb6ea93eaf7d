#pragma once
// Once per tick: is the car understeering or sliding? From the car's motion
// and the driver's steering, the three cues the force model adds to the
// simulator's torque. Pure: no state, same inputs give the same bits.
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"
#include "telemetry/telemetry_snapshot.h"

namespace gripline {

struct GripResult {
    float GripFactor = 1.0f;      // on the simulator torque, 0.25..1
    float ResistanceForce = 0;    // N·m, against the steering direction
    float OversteerTarget = 0;    // N·m, within ± half the full-scale force
    float BalanceScale = 1.0f;    // on the simulator torque, 0.5..1.5
    float UndersteerMargin = 0;   // rad of steering beyond what the car's motion explains
    float UndersteerActivity = 0; // 0..1
};

GripResult gripModel(const TelemetrySnapshot& snapshot, const FfbSettings& settings,
                     const CarCoefficients& coefficients);

} // namespace gripline
