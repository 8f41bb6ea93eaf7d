#pragma once
// One tick's output samples and when each goes out. The telemetry mode sends
// one sample per 360 Hz sub-sample, 2760 µs apart; the interpolated mode two
// per sub-sample, 1380 µs apart. Six of the one and twelve of the other both
// span 16 560 µs, about 100 µs short of the next 60 Hz tick.
#include <cstdint>

namespace gripline {

inline constexpr int kMaxTickSamples = 12;
inline constexpr int64_t kTelemetrySpacingNs = 2760 * 1000;
inline constexpr int64_t kInterpolatedSpacingNs = 1380 * 1000;

struct TickSamples {
    int count = 0;          // 1..12
    bool interpolated = false;

    int64_t spacingNs() const { return interpolated ? kInterpolatedSpacingNs : kTelemetrySpacingNs; }
};

// The sample count for a tick: 2n in the interpolated mode (mode 1 with at
// least two sub-samples), otherwise n.
inline TickSamples planTickSamples(int32_t mode, int32_t subSamples) {
    TickSamples plan;
    const int n = subSamples < 1 ? 1 : (subSamples > 6 ? 6 : subSamples);
    plan.interpolated = mode == 1 && n >= 2;
    plan.count = plan.interpolated ? 2 * n : n;
    return plan;
}

} // namespace gripline
