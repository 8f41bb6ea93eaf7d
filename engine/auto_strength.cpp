#include "engine/auto_strength.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

namespace gripline {

namespace {

int32_t binOf(float forceNm) {
    const float magnitude = std::fabs(forceNm);
    if (!(magnitude < static_cast<float>(AutoStrengthRule::kBins) * AutoStrengthRule::kBinNm))
        return AutoStrengthRule::kBins - 1; // huge, or not a number
    return std::min(static_cast<int32_t>(magnitude / AutoStrengthRule::kBinNm),
                    AutoStrengthRule::kBins - 1);
}

} // namespace

double exactStrengthForP99(float p99Nm, int32_t targetPercent) {
    if (!(p99Nm > 0))
        return 100; // nothing to scale: the strongest setting gives the most
    const double strength = std::clamp(targetPercent, 1, 100) / 100.0 * 2000.0 / p99Nm;
    return std::clamp(strength, 1.0, 100.0);
}

int32_t strengthForP99(float p99Nm, int32_t targetPercent) {
    return static_cast<int32_t>(std::lround(exactStrengthForP99(p99Nm, targetPercent)));
}

AutoStrengthRule::AutoStrengthRule(const AutoStrengthOptions& options) : options_(options) {
    options_.windowTicks = std::clamp(options_.windowTicks, 1, kMaxWindowTicks);
    options_.startTicks = std::clamp(options_.startTicks, 1, options_.windowTicks);
}

void AutoStrengthRule::restart(int32_t strength, int32_t targetPercent, int64_t nowNs) {
    std::fill(std::begin(histogram_), std::end(histogram_), 0u);
    head_ = 0;
    count_ = 0;
    strength_ = std::clamp(strength, 1, 100);
    setTarget(targetPercent);
    nextStepNs_ = nowNs;
    heldSinceNs_ = nowNs;
    impactHoldUntilNs_ = 0;
    started_ = false;
    announced_ = false;
}

void AutoStrengthRule::setTarget(int32_t targetPercent) {
    targetPercent_ = std::clamp(targetPercent, 1, 100);
}

// Parked, at the end stop or while the crash hold runs the force says
// nothing about the car's regular forces; a few seconds after a hit the car
// is still bouncing off the wall or spinning, so those go too.
bool AutoStrengthRule::counts(const StrengthSample& s, int64_t nowNs) const {
    return (!s.parked || options_.countParked) && !s.crashProtected && !s.pastLock && !s.impact &&
           nowNs >= impactHoldUntilNs_ && std::isfinite(s.finalForceNm);
}

int32_t AutoStrengthRule::feed(const StrengthSample& sample, int64_t nowNs) {
    if (sample.impact)
        impactHoldUntilNs_ = std::max(impactHoldUntilNs_, nowNs + options_.afterImpactNs);
    if (counts(sample, nowNs))
        add(sample.finalForceNm);
    if (nowNs >= nextStepNs_) {
        nextStepNs_ = nowNs + options_.stepNs;
        step(nowNs);
    }
    return strength_;
}

// The window is a ring of bins with their histogram beside it, so the
// percentile is a walk over the bins instead of a sort.
void AutoStrengthRule::add(float forceNm) {
    const int32_t bin = binOf(forceNm);
    if (count_ == options_.windowTicks) {
        --histogram_[ring_[head_]];
        ring_[head_] = static_cast<uint16_t>(bin);
        head_ = (head_ + 1) % options_.windowTicks;
    } else {
        ring_[(head_ + count_) % options_.windowTicks] = static_cast<uint16_t>(bin);
        ++count_;
    }
    ++histogram_[bin];
}

float AutoStrengthRule::p99Nm() const {
    if (count_ == 0)
        return 0;
    // The smallest bin holding the ceil(0.99 n)-th smallest sample; its
    // middle stands for the samples in it.
    const int64_t rank = (int64_t{count_} * 99 + 99) / 100;
    int64_t seen = 0;
    for (int32_t bin = 0; bin < kBins; ++bin) {
        seen += histogram_[bin];
        if (seen >= rank)
            return (static_cast<float>(bin) + 0.5f) * kBinNm;
    }
    return (static_cast<float>(kBins) - 0.5f) * kBinNm;
}

// One step towards the computed strength, at most a point. The exact value
// must be three quarters of a point away before the strength moves: the
// percentile of a moving window wanders across a bin edge now and then, and
// a value midway between two points would have the wheel flip between them.
void AutoStrengthRule::step(int64_t nowNs) {
    if (count_ < options_.startTicks)
        return;
    if (!started_) {
        started_ = true;
        heldSinceNs_ = nowNs;
    }
    const float p99 = p99Nm();
    const double computed = exactStrengthForP99(p99, targetPercent_);
    if (std::fabs(computed - strength_) > 0.75) {
        strength_ += computed > strength_ ? 1 : -1;
        heldSinceNs_ = nowNs;
        announced_ = false;
        return;
    }
    if (nowNs - heldSinceNs_ >= options_.settleNs && !announced_) {
        lastSettled_ = {strength_, p99, (count_ + kTicksPerSecond / 2) / kTicksPerSecond};
        ++settledCount_;
        announced_ = true;
    }
}

} // namespace gripline
