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

bool SleepStages::atCeiling() const {
    constexpr int64_t kCap = WaitMargin::kCeilingNs + WaitMargin::kGuardNs;
    return hop_.marginNs() >= kCap && long_.marginNs() >= kCap;
}

bool CeilingWatch::remeasure(bool atCeiling, int64_t nowNs) {
    if (!atCeiling) {
        cappedSinceNs_ = -1;
        return false;
    }
    if (cappedSinceNs_ < 0)
        cappedSinceNs_ = nowNs;
    if (nowNs - cappedSinceNs_ < kStayNs || nowNs - lastNs_ < kGapNs)
        return false;
    lastNs_ = nowNs;
    cappedSinceNs_ = -1;
    return true;
}

} // namespace gripline
