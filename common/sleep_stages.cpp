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

bool CeilingWatch::remeasure(bool atCeiling, int64_t waitedNs, int64_t spunNs, int64_t nowNs) {
    if (!atCeiling)
        cappedSinceNs_ = -1;
    else if (cappedSinceNs_ < 0)
        cappedSinceNs_ = nowNs;
    const bool capped = cappedSinceNs_ >= 0 && nowNs - cappedSinceNs_ >= kStayNs;
    const bool spinning = mostlySpun(waitedNs, spunNs, nowNs);
    if ((!capped && !spinning) || nowNs - lastNs_ < kGapNs)
        return false;
    lastNs_ = nowNs;
    cappedSinceNs_ = -1;
    return true;
}

// Judged once per stretch of kStayNs, over the waits that ended in it.
bool CeilingWatch::mostlySpun(int64_t waitedNs, int64_t spunNs, int64_t nowNs) {
    if (stretchStartNs_ < 0)
        stretchStartNs_ = nowNs;
    waitedNs_ += waitedNs;
    spunNs_ += spunNs;
    if (nowNs - stretchStartNs_ < kStayNs)
        return false;
    const bool mostly = spunNs_ * 2 > waitedNs_;
    stretchStartNs_ = nowNs;
    waitedNs_ = spunNs_ = 0;
    return mostly;
}

} // namespace gripline
