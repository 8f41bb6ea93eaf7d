#include "common/wait_margin.h"

#include <algorithm>
#include <functional>

namespace gripline {

WaitMargin::WaitMargin(int64_t initialLatenessNs) {
    recent_.fill(std::clamp<int64_t>(initialLatenessNs, 0, kCeilingNs));
    marginNs_ = recent_[0] + kGuardNs;
}

// A partial sort of 64 numbers per sleep, a few hundred times a second: far
// cheaper than the sleep itself.
void WaitMargin::note(int64_t latenessNs) {
    recent_[next_] = std::clamp<int64_t>(latenessNs, 0, kCeilingNs);
    next_ = (next_ + 1) % kWindow;
    std::array<int64_t, kWindow> sorted = recent_;
    std::nth_element(sorted.begin(), sorted.begin() + (kRank - 1), sorted.end(),
                     std::greater<>());
    marginNs_ = sorted[kRank - 1] + kGuardNs;
}

} // namespace gripline
