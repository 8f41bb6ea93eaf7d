#pragma once
// The Test command: a gentle, safe pattern played on the chosen wheel
// through the engine's own output stage and device code, so a driver (and
// the output report's advice) can tell a wheel that takes DirectInput's
// force from one that does not. The stage's start delay and fade-in run
// first as always; then 1.5 s of left, right and back to nothing, at most
// 15 % of full scale, ramped in and out.
#include "common/clock.h"
#include "engine/wheel_port.h"

#include <cstdint>
#include <string>

namespace gripline {

struct WheelTestResult {
    bool opened = false;
    uint32_t accepted = 0;   // updates DirectInput accepted
    HResult firstError = 0;  // the first DirectInput call that failed, 0 for none
};

class WheelTest {
  public:
    static constexpr int32_t kPeak = 1500; // 15 % of full scale
    static constexpr int64_t kPatternNs = 1500 * kNsPerMs;
    static constexpr int64_t kSwingNs = 1000 * kNsPerMs; // left then right; then nothing

    // The magnitude `sinceNs` into the pattern: one sine period (left first,
    // a negative force), then 0.
    static int32_t patternAt(int64_t sinceNs);

    // Runs the whole test on the calling thread (about 4.6 s): opens the
    // wheel with its own output thread, waits out the start delay and the
    // fade-in, plays the pattern, takes the force off and closes.
    static WheelTestResult run(WheelPort& port, Clock& clock, void* window,
                               const DeviceGuid& device);
};

// The session log's line for a result.
std::wstring wheelTestMessage(const WheelTestResult& result);

} // namespace gripline
