#pragma once
// The virtual wheel's log as a force trace: the magnitudes the device
// received, and where a recording lies on the log's clock.
#include "recording/recording_format.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gripline {

struct WheelForcePoint {
    int64_t atUs = 0;      // the log's clock (the performance counter), µs
    int32_t magnitude = 0; // as the device received it, full scale 10 000
};

// The "magnitude" events of a wheel log ("<us> <event> [value]" lines), in
// order. False with a reason when a magnitude line is malformed.
bool parseWheelForceLog(std::string_view text, std::vector<WheelForcePoint>& out,
                        std::string& error);

// The offset that puts the recording on the log's clock (log time = TimeUs
// + offset): the one where the forces the engine recorded best match what
// the device received. The recording's own clock starts when Record was
// pressed, the log's when the machine started, so they must be matched.
int64_t alignRecordingToWheel(const std::vector<RecordingSample>& samples,
                              const std::vector<WheelForcePoint>& wheel);

// How closely the wheel followed the recording at that offset: the root mean
// square of (magnitude held by the wheel − magnitude the engine asked for)
// over every sample, in magnitude units (full scale 10 000).
double wheelMismatchRms(const std::vector<RecordingSample>& samples,
                        const std::vector<WheelForcePoint>& wheel, int64_t offsetUs);

} // namespace gripline
