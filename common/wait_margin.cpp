#include "common/wait_margin.h"

#include <algorithm>
#include <functional>

namespace gripline {

WaitMargin::WaitMargin(int64_t initialLatenessNs, int window, int rank)
    : window_(std::clamp(window, 1, kMaxWindow)), rank_(std::clamp(rank, 1, window_)) {
    recent_.fill(std::clamp<int64_t>(initialLatenessNs, 0, kCeilingNs));
    marginNs_ = recent_[0] + kGuardNs;
}

// A partial sort of at most 256 numbers per sleep, a few hundred times a
// second: far cheaper than the sleep itself.
void WaitMargin::note(int64_t latenessNs) {
    recent_[next_] = std::clamp<int64_t>(latenessNs, 0, kCeilingNs);
    next_ = (next_ + 1) % window_;
    std::copy_n(recent_.begin(), window_, sorted_.begin());
    std::nth_element(sorted_.begin(), sorted_.begin() + (rank_ - 1), sorted_.begin() + window_,
                     std::greater<>());
    marginNs_ = sorted_[rank_ - 1] + kGuardNs;
}

} // namespace gripline
