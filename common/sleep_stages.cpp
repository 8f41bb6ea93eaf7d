#include "common/sleep_stages.h"

namespace gripline {

SleepStages::SleepStages(int64_t initialLatenessNs)
    : hop_(initialLatenessNs), long_(initialLatenessNs, WaitMargin::kMaxWindow, 2) {}

SleepStages::Sleep SleepStages::next(int64_t leftNs) const {
    const int64_t untilHopEnds = leftNs - hop_.marginNs();
    if (untilHopEnds < kShortestSleepNs)
        return {};
    const int64_t longSleep = untilHopEnds - long_.marginNs();
    if (longSleep >= kShortestSleepNs)
        return {longSleep, false};
    return {untilHopEnds, true};
}

void SleepStages::note(const Sleep& sleep, int64_t latenessNs) {
    (sleep.hop ? hop_ : long_).note(latenessNs);
}

} // namespace gripline
