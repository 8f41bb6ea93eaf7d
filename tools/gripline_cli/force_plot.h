#pragma once
// A picture of one recorded drive: the simulator's own steering torque and
// the force Gripline sent, both as a share of the wheel's full scale, with
// the moments of clipping, ABS and crash protection marked beneath. SVG, so
// it opens in any browser.
#include "recording/recording_format.h"
#include "tools/gripline_cli/wheel_force_log.h"

#include <optional>
#include <string>
#include <vector>

namespace gripline {

struct ForcePlotInput {
    const RecordingHeader* header = nullptr;
    const std::vector<RecordingSample>* samples = nullptr;
    // What the device received, already on the recording's clock (µs since
    // Record); none when no wheel log was given.
    std::optional<std::vector<WheelForcePoint>> wheel;
};

std::string forcePlotSvg(const ForcePlotInput& input);

} // namespace gripline
