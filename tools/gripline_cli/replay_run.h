#pragma once
// Runs the real engine loop over every stored line of a recorded telemetry
// file, as the engine would have run over the same ticks live, but in
// virtual time: no sleeping, no spinning, the same magnitudes.
#include "telemetry/session_identity.h"
#include "recording/recording_format.h"
#include "settings/car_coefficients.h"
#include "settings/ffb_settings.h"
#include "telemetry/ibt_file.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace gripline {

// Stored line n is the simulator's tick n, at n × 16 666 667 ns.
inline constexpr int64_t kReplayTickNs = 16'666'667;

// One magnitude written into requestedForce: line index, index of the
// sample within its tick (0 for an end-stop tick's only write), magnitude.
struct ReplaySample {
    int32_t tick = 0;
    int32_t sample = 0;
    int32_t magnitude = 0;
};

// The stint counters, summed over every stint of the file (the peak is the
// largest of them).
struct ReplayTotals {
    uint64_t ClipTotal = 0;
    uint64_t ClipCount = 0;
    uint64_t OutSamples = 0;
    uint64_t OutNonZero = 0;
    int32_t OutPeak = 0;
    // The 99th percentile of |FinalForce| over the ticks Auto strength
    // counts (not parked, not past the lock, not under or just after crash
    // protection), in N·m and as a share of the full scale in force at each.
    double CountedP99Nm = 0;
    double CountedP99Percent = 0;
    uint64_t CountedTicks = 0;
    // Auto strength's last settled value (0: none) and its strength at the end.
    int32_t SettledStrength = 0;
    int32_t FinalStrength = 0;
};

// A change of the strength in force: seconds into the drive, percent.
struct StrengthChange {
    double seconds = 0;
    int32_t strength = 0;
};

struct ReplayOptions {
    // The file is played this many times over, the ticks counting on.
    int32_t loops = 1;
    // Sees the strength of the first tick and every change after it.
    std::function<void(const StrengthChange&)> onStrength;
    // Auto strength, and the counted P99, count parked ticks too.
    bool countParked = false;
};

// A recording made by the engine over the replayed ticks, as Record would
// have made it live from line 0 on; the sample times are the simulated ones.
struct ReplayRecording {
    std::filesystem::path path;
    RecordingHeader header{};
    bool started = false;  // the file was created and its header written
    bool complete = false; // every sample reached the file
    uint32_t dropped = 0;
};

// The engine's own coefficients with car-specific settings off.
CarCoefficients defaultReplayCoefficients();

// The driver and car the engine finds in the file's session text, with the
// engine's fallbacks when the text is missing or yields nothing.
SessionIdentity replayIdentity(const IbtFile& file);

// `onSample` sees every magnitude in order; it may be empty. With
// `recording`, the engine records the whole replay into that file.
ReplayTotals replayTelemetry(const IbtFile& file, const FfbSettings& settings,
                             const CarCoefficients& coefficients,
                             const std::function<void(const ReplaySample&)>& onSample,
                             ReplayRecording* recording = nullptr,
                             const ReplayOptions& options = {});

// The same over the given lines only, in the given order, as the engine
// runs when it misses ticks (line indices outside the file are left out).
ReplayTotals replayTelemetryLines(const IbtFile& file, const FfbSettings& settings,
                                  const CarCoefficients& coefficients,
                                  const std::function<void(const ReplaySample&)>& onSample,
                                  std::span<const int32_t> lines,
                                  ReplayRecording* recording = nullptr);

} // namespace gripline
