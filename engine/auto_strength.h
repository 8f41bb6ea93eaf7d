#pragma once
// Auto strength: sets Force strength from the forces of the last minute or
// so of regular driving, so that their 99th percentile lands at a chosen
// share of full scale. The engine runs it on its thread; the command-line
// replay runs the same object over a recorded drive. Fixed capacity, no
// allocation after construction.
#include <cstdint>

namespace gripline {

// One tick as the rule sees it, with what excludes it from the count.
struct StrengthSample {
    float finalForceNm = 0;      // the model's FinalForce of the tick
    bool parked = false;         // the force model's parked test
    bool crashProtected = false; // the crash hold runs
    bool pastLock = false;       // the end stop replaced the force
    bool impact = false;         // crash protection triggered on this tick
};

// How the rule moves. The defaults are the program's; tests may shorten the
// window and the start, and the replay tool may count parked ticks (none of
// it is shown to the driver).
struct AutoStrengthOptions {
    int32_t windowTicks = 3600;            // counted ticks kept, 60 s at 60 Hz
    int32_t startTicks = 1200;             // counted ticks before the first change
    int64_t stepNs = 500'000'000;          // at most one point per step
    int64_t settleNs = 5'000'000'000;      // a value unchanged this long has settled
    int64_t afterImpactNs = 4'000'000'000; // samples left out after a hit
    bool countParked = false;              // for drives that never leave walking pace
};

struct AutoStrengthSettled {
    int32_t strength = 0; // percent, 1..100
    float p99Nm = 0;      // N·m, of the counted window
    int32_t seconds = 0;  // counted driving the window holds, at 60 ticks a second
};

class AutoStrengthRule {
  public:
    static constexpr int32_t kMaxWindowTicks = 7200; // two minutes
    static constexpr int32_t kBins = 4000;           // 0.1 N·m each, the last takes the rest
    static constexpr float kBinNm = 0.1f;
    static constexpr int32_t kTicksPerSecond = 60;

    explicit AutoStrengthRule(const AutoStrengthOptions& options = {});

    // Forgets every sample and starts again from `strength` (the one the
    // driver handed), aiming at `targetPercent` of full scale.
    void restart(int32_t strength, int32_t targetPercent, int64_t nowNs);
    void setTarget(int32_t targetPercent);

    // One tick at `nowNs` (steady ns, never going back). Returns the
    // strength to drive the next tick with.
    int32_t feed(const StrengthSample& sample, int64_t nowNs);

    // Whether `sample` at `nowNs` would be counted (the impact hold-off as
    // it stands; a sample's own impact is not known yet).
    bool counts(const StrengthSample& sample, int64_t nowNs) const;

    int32_t strength() const { return strength_; }
    int32_t target() const { return targetPercent_; }
    int32_t countedTicks() const { return count_; }
    // The 99th percentile of |FinalForce| over the window, N·m (0 while empty).
    float p99Nm() const;

    // Each settled value once: how many so far, and the last.
    uint32_t settledCount() const { return settledCount_; }
    const AutoStrengthSettled& lastSettled() const { return lastSettled_; }

  private:
    void add(float forceNm);
    void step(int64_t nowNs);

    AutoStrengthOptions options_;
    uint16_t ring_[kMaxWindowTicks] = {}; // bins of the counted samples, oldest at head_
    uint32_t histogram_[kBins] = {};
    int32_t head_ = 0;
    int32_t count_ = 0;
    int32_t strength_ = 50;
    int32_t targetPercent_ = 80;
    int64_t nextStepNs_ = 0;
    int64_t heldSinceNs_ = 0; // when strength_ last changed, or counting reached the start
    int64_t impactHoldUntilNs_ = 0;
    bool started_ = false;
    bool announced_ = false; // the value in force has been announced
    uint32_t settledCount_ = 0;
    AutoStrengthSettled lastSettled_;
};

// The strength that puts `p99Nm` at `targetPercent` of full scale (full scale
// is 2000 / strength N·m), within 1..100; exact, and rounded.
double exactStrengthForP99(float p99Nm, int32_t targetPercent);
int32_t strengthForP99(float p99Nm, int32_t targetPercent);

} // namespace gripline
