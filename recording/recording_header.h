#pragma once
// The context a recording starts with: who drove which car with which
// settings and coefficients.
#include "recording/recording_format.h"
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"

#include <cstdint>
#include <string>

namespace gripline {

struct RecordingContext {
    std::wstring CarName;     // the engine's car ("generic" when unknown)
    std::wstring DriverName;  // the engine's driver ("unknown" when unknown)
    std::wstring ProfileName; // the profile box's text, trimmed
    FfbSettings Settings;     // as the engine holds them
    CarCoefficients Coefficients; // what the engine resolves for the car now
    uint64_t StartTimeMs = 0; // wall clock, ms since 1970-01-01 UTC
};

RecordingHeader buildRecordingHeader(const RecordingContext& context);

// Milliseconds since 1970-01-01 UTC now.
uint64_t wallClockMs();

} // namespace gripline
