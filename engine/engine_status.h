#pragma once
// What the engine publishes to the window: written by the engine thread under
// the status lock, copied whole by the window thread every 250 ms.
#include "engine/added_latency.h"
#include "telemetry/session_identity.h"

#include <cstdint>
#include <string>

namespace gripline {

struct EngineStatus {
    bool Connected = false;         // simulator reports connected and the wheel is open
    bool OnTrack = false;           // the last tick's IsOnTrack
    bool IdentityConsistent = true; // from the session text; true while nothing is known
    float ClipPercent = 0;          // percent of clipped samples of the last finished stint
    uint32_t ClipReportCount = 0;
    // The time Gripline adds to each tick, from seeing it to handing its
    // first force to the wheel's driver (engine/added_latency.h; ns,
    // AddedLatency::kNone while nothing is counted): the p50 and p99 of the
    // stint the clip report ends, and the p99 of the stint so far.
    int64_t ClipReportLatencyP50Ns = AddedLatency::kNone;
    int64_t ClipReportLatencyP99Ns = AddedLatency::kNone;
    int64_t AddedLatencyP99Ns = AddedLatency::kNone;
    uint32_t OutputErrorCount = 0;
    int32_t OutputLastError = 0; // HRESULT
    uint32_t OnTrackChanges = 0;
    uint32_t OutputReportCount = 0;
    uint32_t ReportSamples = 0;
    uint32_t ReportNonZero = 0;
    int32_t ReportPeak = 0; // magnitude units
    // The held wheel given up mid-drive (unplugged, switched off) and opened
    // again once back: each counted once, for one log line each.
    uint32_t WheelLostCount = 0;
    uint32_t WheelBackCount = 0;
    // How the engine thread waits for its sample deadlines, measured at its
    // start: one line for the debug log, new when the count changes.
    std::wstring SampleTiming;
    uint32_t SampleTimingCount = 0;
    // The live meter: the largest magnitude sent to the wheel in the last
    // second, and whether a sample of that second was clipped.
    int32_t MeterPeak = 0; // magnitude units, 0..10000
    bool MeterClipping = false;
    // Auto strength: the strength the engine drives with while it is on
    // (percent, 0 when off), and each value it settled on, counted once.
    int32_t AutoStrength = 0;
    uint32_t AutoStrengthSettledCount = 0; // grows for the whole run of the program
    int32_t AutoStrengthSettled = 0;       // percent
    float AutoStrengthP99Nm = 0;           // N·m, of the counted samples it settled on
    int32_t AutoStrengthSeconds = 0;       // counted driving those samples span
    std::wstring CarName = kGenericCar;
    std::wstring DriverName = kUnknownDriver;
    int32_t DriverUserId = 0;
    // The session's track (empty while unknown) and whether it counts as wet,
    // the state after its hold-off (engine/wet_state.h).
    std::wstring TrackName;
    std::wstring TrackDisplayName;
    bool Wet = false;
    // The simulator playing a replay: the force is off meanwhile. Each start
    // and end counted once, for one log line each.
    bool ReplayPlaying = false;
    uint32_t ReplayStartCount = 0;
    uint32_t ReplayEndCount = 0;
};

} // namespace gripline
