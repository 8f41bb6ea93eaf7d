#include "engine/tick_phase.h"

#include <algorithm>

namespace gripline {

void TickPhase::reset() {
    count_ = 0;
    next_ = 0;
    periodNs_ = 0;
}

// A tick that goes backwards is another simulator's; a long gap is a pause.
// Either way the rhythm before it says nothing of the ticks after it. Each
// tick that had a window tells how far from the learnt clock ticks come.
void TickPhase::noteTick(int32_t tick, int64_t seenNs) {
    if (count_ > 0) {
        const Seen& last = newest();
        const int64_t longestGapNs =
            kLongestGapPeriods * (periodNs_ > 0 ? periodNs_ : kLongestPeriodNs);
        if (tick <= last.tick || tick - last.tick > kLongestGapPeriods ||
            seenNs - last.ns > longestGapNs)
            reset();
    }
    if (periodNs_ > 0) {
        const int64_t offNs = seenNs - expectedNs(tick);
        late_.note(offNs);
        early_.note(-offNs);
    }
    history_[static_cast<size_t>(next_)] = {tick, seenNs};
    next_ = (next_ + 1) % kHistory;
    count_ = std::min(count_ + 1, kHistory);
    learnPeriod();
}

const TickPhase::Seen& TickPhase::newest() const {
    return history_[static_cast<size_t>((next_ + kHistory - 1) % kHistory)];
}

// The median of the intervals, each per tick: a late wake-up lengthens one
// interval and shortens the next by as much, so the middle stays put.
void TickPhase::learnPeriod() {
    std::array<int64_t, kHistory> intervals{};
    int n = 0;
    for (int i = 1; i < count_; ++i) {
        const Seen& a = history_[static_cast<size_t>((next_ - count_ + i - 1 + kHistory) % kHistory)];
        const Seen& b = history_[static_cast<size_t>((next_ - count_ + i + kHistory) % kHistory)];
        intervals[static_cast<size_t>(n++)] = (b.ns - a.ns) / (b.tick - a.tick);
    }
    if (n < kLearnIntervals) {
        periodNs_ = 0;
        return;
    }
    std::nth_element(intervals.begin(), intervals.begin() + n / 2, intervals.begin() + n);
    const int64_t median = intervals[static_cast<size_t>(n / 2)];
    periodNs_ = median >= kShortestPeriodNs && median <= kLongestPeriodNs ? median : 0;
}

// Every seen time is the tick's own time plus a delay that is never
// negative, so the earliest of the recent ticks on the learnt clock is the
// closest to the simulator's.
int64_t TickPhase::expectedNs(int32_t tick) const {
    int64_t expected = INT64_MAX;
    for (int i = 1; i <= std::min(count_, kPhaseTicks); ++i) {
        const Seen& s = history_[static_cast<size_t>((next_ - i + kHistory) % kHistory)];
        expected = std::min(expected, s.ns + int64_t{tick - s.tick} * periodNs_);
    }
    return expected;
}

std::optional<int64_t> TickPhase::expectedAt(int32_t tick) const {
    if (periodNs_ == 0)
        return std::nullopt;
    const int32_t newestTick = newest().tick;
    if (tick <= newestTick || tick - newestTick > kLongestGapPeriods)
        return std::nullopt;
    return expectedNs(tick);
}

std::optional<TickPhase::Window> TickPhase::next(int64_t nowNs) const {
    if (periodNs_ == 0)
        return std::nullopt;
    const int64_t expected = expectedNs(newest().tick + 1);
    const Window window{expected - early_.marginNs(), expected, expected + late_.marginNs()};
    if (nowNs >= window.endNs)
        return std::nullopt;
    return window;
}

} // namespace gripline
