#pragma once
// After a hard impact the force is held down for a while, so a wheel
// snapping with the car's rebound does not hurt the driver's hands.
#include "settings/ffb_settings.h"
#include "telemetry/telemetry_snapshot.h"

#include <cstdint>

namespace gripline {

// The factor (0.01..1) on this tick's force. A hit (longitudinal or lateral
// acceleration at or above its threshold) moves `holdUntilNs` (steady ns) to
// now + CrashDurationTenths; the hold only ever moves forward.
float crashFactor(const TelemetrySnapshot& snapshot, const FfbSettings& settings, int64_t nowNs,
                  int64_t& holdUntilNs);

} // namespace gripline
