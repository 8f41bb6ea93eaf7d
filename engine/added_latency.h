#pragma once
// How long Gripline itself holds each on-track tick: from the engine seeing
// the simulator's new tick to the output thread handing the tick's first
// force to the wheel's driver. A fixed histogram of relaxed atomic counters:
// the output thread adds, the engine thread resets it at each stint's start
// and reads percentiles; neither ever waits for the other. A count racing a
// reset may be lost or kept; the figure is a percentile, it does not care.
#include <array>
#include <atomic>
#include <cstdint>

namespace gripline {

class AddedLatency {
  public:
    static constexpr int64_t kBinNs = 2000;                // 2 µs per bin
    static constexpr int kBins = 2500;                     // up to 5 ms
    static constexpr int64_t kCeilingNs = kBins * kBinNs;  // beyond: the overflow count
    static constexpr int64_t kBeyondCeiling = kCeilingNs + 1; // a percentile in the overflow
    static constexpr int64_t kNone = -1;                   // nothing counted

    // Output thread. A negative time (clocks that disagree) is not counted.
    void add(int64_t ns);
    // Engine thread, at a stint's start.
    void reset();

    uint32_t count() const;
    // The upper edge of the bin holding percentile `p` (0 < p <= 100) in ns,
    // kBeyondCeiling when it lies in the overflow, kNone when empty.
    int64_t percentileNs(double p) const;

  private:
    std::array<std::atomic<uint32_t>, kBins + 1> bins_{}; // the last one: beyond the ceiling
};

} // namespace gripline
