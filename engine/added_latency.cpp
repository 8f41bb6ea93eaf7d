#include "engine/added_latency.h"

#include <algorithm>
#include <cmath>

namespace gripline {

// Relaxed everywhere: each counter stands alone and nothing else is handed
// over through them; a reader may see a count a moment late.
void AddedLatency::add(int64_t ns) {
    if (ns < 0)
        return;
    const int64_t bin = ns / kBinNs;
    bins_[static_cast<size_t>(bin < kBins ? bin : kBins)].fetch_add(1, std::memory_order_relaxed);
}

void AddedLatency::reset() {
    for (std::atomic<uint32_t>& bin : bins_)
        bin.store(0, std::memory_order_relaxed);
}

uint32_t AddedLatency::count() const {
    uint32_t total = 0;
    for (const std::atomic<uint32_t>& bin : bins_)
        total += bin.load(std::memory_order_relaxed);
    return total;
}

// The rank comes from one sum taken before the scan: a count the output
// thread adds meanwhile shifts the answer by no more than its own weight.
int64_t AddedLatency::percentileNs(double p) const {
    const uint32_t total = count();
    if (total == 0)
        return kNone;
    const double wanted = std::ceil(total * std::clamp(p, 0.0, 100.0) / 100.0);
    const uint64_t rank = wanted < 1.0 ? 1 : static_cast<uint64_t>(wanted);
    uint64_t seen = 0;
    for (int i = 0; i < kBins; ++i) {
        seen += bins_[static_cast<size_t>(i)].load(std::memory_order_relaxed);
        if (seen >= rank)
            return (i + 1) * kBinNs;
    }
    return kBeyondCeiling;
}

} // namespace gripline
