#pragma once
// The live force meter: the largest magnitude the engine sent in the last
// second and whether any of those samples clipped. Kept in four
// quarter-second buckets, so the window's 250 ms refresh sees a window that
// slides rather than one that empties at once. Engine thread only; the
// engine copies a reading into its status under the status lock it already
// takes once per pass.
#include "common/clock.h"

#include <cstdint>

namespace gripline {

struct MeterReading {
    int32_t Peak = 0;      // magnitude units, 0..10000
    bool Clipping = false; // a sample of the last second was clipped
};

class OutputMeter {
  public:
    static constexpr int64_t kBucketNs = 250 * kNsPerMs;
    static constexpr int kBuckets = 4; // one second

    void add(int32_t magnitude, bool clipped, int64_t nowNs);
    MeterReading read(int64_t nowNs) const;
    void reset() { *this = OutputMeter{}; }

  private:
    struct Bucket {
        int64_t index = -1; // nowNs / kBucketNs of its quarter second
        int32_t peak = 0;
        bool clipped = false;
    };
    Bucket buckets_[kBuckets];
};

} // namespace gripline
