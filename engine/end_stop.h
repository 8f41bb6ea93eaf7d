#pragma once
// Near the steering lock the output stage stiffens its damping, and past the
// lock the model's force is replaced by a spring back towards it.
#include "settings/ffb_settings.h"
#include "telemetry/telemetry_snapshot.h"

#include <cstdint>

namespace gripline {

struct SteeringLock {
    bool endStopActive = false; // within 30° (0.5236 rad) of the lock
    bool pastLock = false;      // the tick's only output is `magnitude`
    int32_t magnitude = 0;      // magnitude units, within ±9996
};

SteeringLock steeringLock(const TelemetrySnapshot& snapshot, const FfbSettings& settings);

} // namespace gripline
