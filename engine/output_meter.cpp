#include "engine/output_meter.h"

#include <algorithm>
#include <cstdlib>

namespace gripline {

namespace {

int64_t bucketIndex(int64_t nowNs) {
    return nowNs / OutputMeter::kBucketNs;
}

} // namespace

void OutputMeter::add(int32_t magnitude, bool clipped, int64_t nowNs) {
    const int64_t index = bucketIndex(nowNs);
    Bucket& bucket = buckets_[index % kBuckets];
    if (bucket.index != index)
        bucket = Bucket{index, 0, false};
    // In 64 bits: the most negative int32 has no positive twin.
    const int32_t size = static_cast<int32_t>(std::min<int64_t>(std::llabs(magnitude), 10000));
    bucket.peak = std::max(bucket.peak, size);
    bucket.clipped = bucket.clipped || clipped;
}

// Buckets of the current quarter second and the three before it: a bucket
// left from longer ago (the car stopped, the force went off) counts no more.
MeterReading OutputMeter::read(int64_t nowNs) const {
    const int64_t newest = bucketIndex(nowNs);
    MeterReading reading;
    for (const Bucket& bucket : buckets_) {
        if (bucket.index < 0 || bucket.index > newest || newest - bucket.index >= kBuckets)
            continue;
        reading.Peak = std::max(reading.Peak, bucket.peak);
        reading.Clipping = reading.Clipping || bucket.clipped;
    }
    return reading;
}

} // namespace gripline
