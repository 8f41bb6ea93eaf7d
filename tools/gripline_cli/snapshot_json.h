#pragma once
// A telemetry snapshot as one line of JSON, the format `gripline inspect`
// prints and scripts parse: keys are the TelemetrySnapshot field names in
// declaration order, no spaces, arrays with all six elements. Floats carry 9
// significant digits so that they read back to the same float32; a
// non-finite value is written as null (JSON has no NaN). The text is the
// same byte for byte in the native and the Windows build.
#include "telemetry/telemetry_snapshot.h"

#include <string>
#include <string_view>

namespace gripline {

// Appends UTF-8 text as a JSON string: quotes, backslashes and control
// characters escaped, everything else as it stands.
void appendJsonString(std::string& out, std::string_view utf8);

// Appends one float32 as a JSON number ("%.9g"), or null when not finite.
void appendJsonNumber(std::string& out, float value);

// Appends the snapshot as one JSON object, without a line end.
void appendSnapshotJson(std::string& out, const TelemetrySnapshot& snapshot);

std::string snapshotJson(const TelemetrySnapshot& snapshot);

} // namespace gripline
